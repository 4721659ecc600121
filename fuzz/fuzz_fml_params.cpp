// Arbitrary bytes as a built-in formula's source file (<data>/formulas/
// builtin/F.fml), whose first line carries the parameters
// ("{PARAMS: N=default,min,max; ...}"). Beyond not crashing: the formula
// loads only with distinct valid parameter names and min <= default <= max,
// keeps the file's text as its source, and compiling it answers either way.
//   scripts/fuzz.sh 60 fuzz_fml_params
#include <cmath>
#include <cstddef>
#include <cstdint>

#include <QSet>

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
 {"name": "F", "title": "F", "placement": 0, "kind": 0}],
 "catalogs": [{"name": "sys", "type": 0, "children": ["F"]}]})");
    g_dataDir = fuzz::scratch().filePath(QStringLiteral("data"));
    g_userDir = fuzz::scratch().filePath(QStringLiteral("user"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    fuzz::writeFile(QStringLiteral("data/formulas/builtin/F.fml"), bytes);
    TC::CFormulaOperateManager m(g_dataDir, g_userDir);
    const TC::CFormulaOperateManager::DetailPtr d = m.formula(QStringLiteral("F"));
    if (!d)
        return 0;
    check(d->getSource() == QString::fromUtf8(bytes));
    QSet<QString> names;
    for (const TC::CFormulaParamDef& p : d->getParams()) {
        check(!p.name.isEmpty() && p.name.size() <= 64 && !names.contains(p.name));
        names.insert(p.name);
        check(std::isfinite(p.defaultValue) && p.minValue <= p.defaultValue && p.defaultValue <= p.maxValue);
    }
    QString error;
    if (!TC::CFormulaOperateManager::genLuaFormula(d, &error))
        check(!error.isEmpty());
    return 0;
}
