// Arbitrary bytes as the user's formula file (<user>/formulas/user.json)
// beside a small built-in catalogue. Beyond not crashing: a file that is no
// JSON object with a "formulas" list gives one error and no formula; else
// every entry either loads or gives one error. A loaded formula is no
// built-in one, has a valid name, parameters with min <= default <= max and
// is compiled; removing it rewrites the file, which then loads again.
//   scripts/fuzz.sh 60 fuzz_user_formulas
#include <cmath>
#include <cstddef>
#include <cstdint>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "FuzzFolder.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"

using fuzz::check;

namespace {

QString g_dataDir;
QString g_userDir;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::writeFile(QStringLiteral("data/formulas/catalog.json"), R"({"formulas": [
 {"name": "KLINE", "title": "K", "placement": 1, "kind": 1, "flags": ["native"]},
 {"name": "MA", "title": "MA", "placement": 1, "kind": 1, "superposable": true}],
 "catalogs": [{"name": "sys", "type": 0, "children": ["MA"]},
              {"name": "user", "type": 1, "modelType": 1, "children": []}]})");
    fuzz::writeFile(QStringLiteral("data/formulas/builtin/MA.fml"),
                    "{PARAMS: M1=5,1,250; M2=10,1,250}\nMA1:MA(CLOSE,M1);\nMA2:MA(CLOSE,M2);\n");
    g_dataDir = fuzz::scratch().filePath(QStringLiteral("data"));
    g_userDir = fuzz::scratch().filePath(QStringLiteral("user"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QFile::remove(g_userDir + QStringLiteral("/formulas/user.json.bak"));
    fuzz::writeFile(QStringLiteral("user/formulas/user.json"), bytes);

    // The entry count, by the JSON reader alone.
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    const bool listed = doc.isObject() && doc.object().value(QStringLiteral("formulas")).isArray();
    const int entries = listed ? doc.object().value(QStringLiteral("formulas")).toArray().size() : 0;

    TC::CFormulaOperateManager m(g_dataDir, g_userDir);
    check(m.isBuiltin(QStringLiteral("MA")) && m.formula(QStringLiteral("MA")));
    QStringList user;
    for (const QString& name : m.formulaNames())
        if (!m.isBuiltin(name))
            user << name;
    check(user.size() == m.formulaNames().size() - 2);
    if (!listed)
        check(user.isEmpty() && m.userCatalogErrors().size() == 1);
    else
        check(user.size() + m.userCatalogErrors().size() == entries);
    for (const QString& name : user) {
        const TC::CFormulaOperateManager::DetailPtr d = m.formula(name);
        check(d && !d->getName().isEmpty() && d->getName().size() <= 64);
        for (const TC::CFormulaParamDef& p : d->getParams())
            check(std::isfinite(p.defaultValue) && p.minValue <= p.defaultValue && p.defaultValue <= p.maxValue);
        check(TC::CFormulaOperateManager::genLuaFormula(d));
    }
    if (!user.isEmpty()) {
        check(m.removeUserFormula(user.first()));
        check(!m.formula(user.first()) || m.isBuiltin(user.first()));
        TC::CFormulaOperateManager again(g_dataDir, g_userDir);
        check(again.isBuiltin(QStringLiteral("MA")));
    }
    return 0;
}
