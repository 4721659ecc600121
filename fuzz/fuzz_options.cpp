// Arbitrary bytes as klineview's command line: one argument per line after
// the program name. Beyond not crashing: an accepted command line gives a
// size within the bounds, a period of the chart's table with its multiple
// in range, an ex-rights type 0..4 and at most 16 indicators; after a
// successful check the instrument is one of the market store's keys and every
// indicator is a catalogue formula. A refusal always says why.
//   scripts/fuzz.sh 60 fuzz_options
#include <cstddef>
#include <cstdint>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include "CKLineViewOptions.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/market/CMarketStore.h"
#include "FuzzFolder.h"

namespace {

using fuzz::check;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::defaultHome("fuzz_options_home");
    static QCoreApplication* app = new QCoreApplication(*argc, *argv);
    Q_UNUSED(app);
    // The market and the catalogue are built once, outside the inputs.
    check(!TC::CMarketStore::instance()->instrumentKeys().isEmpty());
    check(bool(TC::CFormulaOperateManager::getFormula(QStringLiteral("MA"))));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QStringList args{QStringLiteral("klineview")};
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    for (const QByteArray& line : bytes.split('\n'))
        args << QString::fromUtf8(line);
    if (args.size() > 32)
        return 0;
    TC::CKLineViewOptions o;
    QString message;
    const TC::CKLineViewOptions::Status s = o.parse(args, &message);
    if (s != TC::CKLineViewOptions::kOk) {
        check(!message.isEmpty());
        return 0;
    }
    using O = TC::CKLineViewOptions;
    check(o.size().width() >= O::kMinWidth && o.size().width() <= O::kMaxSide);
    check(o.size().height() >= O::kMinHeight && o.size().height() <= O::kMaxSide);
    const TC::CKLineViewLayout& l = o.layout();
    TC::CKLineViewLayout probe;
    check(probe.setPeriod(l.period(), l.periodMultiple()) && probe.setDrType(l.drType()));
    check(l.indexes().size() <= 16);
    QString why;
    if (!o.validate(&why)) {
        check(!why.isEmpty());
        return 0;
    }
    check(TC::CMarketStore::instance()->hasInstrument(o.layout().instrument()));
    for (const QString& name : o.layout().indexes())
        check(bool(TC::CFormulaOperateManager::getFormula(name)));
    const TC::CKLineViewLayout start = o.startLayout(TC::CKLineViewLayout());
    check(start.instrument() == o.layout().instrument() || !o.wasGiven(QStringLiteral("instrument")));
    return 0;
}
