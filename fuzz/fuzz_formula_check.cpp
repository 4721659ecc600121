// The formula editor's live check on arbitrary text: an optional parameter
// line as an imported file carries it, then the formula, compiled and run
// over the check's small bar set. Every input must come back with a result,
// and an error must point into the text it names. Long inputs matter (the
// check refuses what is too long), so run with a large -max_len:
//   build-fuzz/fuzz/fuzz_formula_check -dict=fuzz/fuzz_formula_check.dict \
//     -max_len=70000 -timeout=10 -detect_leaks=0 CORPUS
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QString>
#include <QVector>

#include "platform/formula/editor/CFormulaLiveCheck.h"
#include "platform/formula/editor/CFormulaSourceText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Beyond what the check accepts the answer is a plain refusal.
    if (size > size_t(TC::CFormulaLiveCheck::kMaxSourceChars) * 4 + 64)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    QVector<TC::CFormulaParamDef> params;
    QString body;
    if (!TC::CFormulaSourceText::split(text, params, body))
        return 0;
    const TC::CFormulaCheckResult r = TC::CFormulaLiveCheck::check(body, params);
    if (!r.ok && r.message.isEmpty())
        std::abort();
    if (!r.ok && r.line > 0) {
        // The parser reports 1-based positions; the end of the text is the last line.
        const int lines = int(body.count(QLatin1Char('\n'))) + 1;
        if (r.line > lines || r.column < 1)
            std::abort();
    }
    if (r.ok && params.size() > TC::CFormulaLiveCheck::kMaxParams)
        std::abort();
    return 0;
}
