// Arbitrary bytes as the built-in catalogue (<data>/formulas/catalog.json)
// over a few shipped formula sources. Beyond not crashing: every formula
// loaded is built in, every leaf of the tree names a loaded formula, no
// catalogue has two children of one name, and the tree always has a home
// for the user's formulas.
//   scripts/fuzz.sh 60 fuzz_formula_catalog
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "FuzzFolder.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"

using fuzz::check;
using TC::CFormulaCatalog;

namespace {

QString g_dataDir;
QString g_userDir;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    for (const char* name : {"MA", "KDJ", "MACD", "VOL", "GROUPDEMO"}) {
        const QString file = QString::fromLatin1(name) + QStringLiteral(".fml");
        QFile shipped(QStringLiteral(KLINE_SOURCE_DATA_DIR "/formulas/builtin/") + file);
        check(shipped.open(QIODevice::ReadOnly));
        fuzz::writeFile(QStringLiteral("data/formulas/builtin/") + file, shipped.readAll());
    }
    g_dataDir = fuzz::scratch().filePath(QStringLiteral("data"));
    g_userDir = fuzz::scratch().filePath(QStringLiteral("user"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::writeFile(QStringLiteral("data/formulas/catalog.json"),
                    QByteArray(reinterpret_cast<const char*>(data), int(size)));
    TC::CFormulaOperateManager m(g_dataDir, g_userDir);
    for (const QString& name : m.formulaNames()) {
        check(m.isBuiltin(name));
        const TC::CFormulaOperateManager::DetailPtr d = m.formula(name);
        check(d && m.formulaByRealName(d->getRealName()) == d);
        for (const TC::CFormulaParamDef& p : d->getParams())
            check(std::isfinite(p.defaultValue) && p.minValue <= p.defaultValue && p.defaultValue <= p.maxValue);
    }
    bool userHome = false;
    std::function<void(const CFormulaCatalog::Ptr&, int)> walk = [&](const CFormulaCatalog::Ptr& node, int depth) {
        for (int i = 0; i < node->size(); ++i) {
            const CFormulaCatalog::Ptr c = node->getChild(i);
            // The first child of its name is itself.
            check(c && node->findChild(c->catalogName()) == c);
            if (c->isFormula()) {
                check(bool(m.formula(c->formulaName())));
                continue;
            }
            if (depth == 0 && c->type() == CFormulaCatalog::kUser)
                userHome = true;
            walk(c, depth + 1);
        }
    };
    walk(m.rootCatalog(), 0);
    check(userHome);
    return 0;
}
