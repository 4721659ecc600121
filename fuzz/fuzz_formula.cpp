// Compiles and runs arbitrary formula text over a small series.
#include <cstddef>
#include <cstdint>

#include <QMap>
#include <QString>

#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString source = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    TC::flang::CFormulaProgram program;
    TC::flang::CFormulaError error;
    const QStringList params{QStringLiteral("N"), QStringLiteral("M")};
    if (!TC::flang::CFormulaCompiler::compile(source, params, program, error))
        return 0;
    TC::flang::CFormulaInput input;
    input.barCount = 40;
    for (int i = 0; i < input.barCount; ++i) {
        const double c = 10.0 + (i % 7) - (i % 3);
        input.open.push_back(c - 0.5);
        input.high.push_back(c + 1.0);
        input.low.push_back(c - 1.0);
        input.close.push_back(c);
        input.volume.push_back(100.0 + i);
        input.amount.push_back((100.0 + i) * c);
    }
    QMap<QString, double> values{{QStringLiteral("N"), 5.0}, {QStringLiteral("M"), 3.0}};
    TC::flang::CFormulaRunResult out;
    TC::flang::CFormulaEvaluator::run(program, input, values, out, nullptr);
    return 0;
}
