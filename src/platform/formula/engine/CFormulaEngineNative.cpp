#include <algorithm>
#include <limits>

#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/engine/CFormulaEngineRun.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::max();

CFormulaEngineOutput makeOutput(const char* name, int style, size_t bars, int columns)
{
    CFormulaEngineOutput o;
    o.name = name;
    o.style = style;
    o.columns.assign(size_t(columns), std::vector<double>(bars, kNoValue));
    o.columnNames.assign(size_t(columns), o.name);
    return o;
}

void runKLine(CFormulaEngineRun& out)
{
    const size_t n = out.bars.size();
    CFormulaEngineOutput k = makeOutput("KLINE", 12, n, 4);
    k.columnNames = {"OPEN", "HIGH", "LOW", "CLOSE"};
    CFormulaEngineOutput vol = makeOutput("成交量", -1, n, 1);
    CFormulaEngineOutput amt = makeOutput("成交额", -1, n, 1);
    for (size_t i = 0; i < n; ++i) {
        const quoter::CBar& b = out.bars[i];
        k.columns[0][i] = b.open;
        k.columns[1][i] = b.high;
        k.columns[2][i] = b.low;
        k.columns[3][i] = b.close;
        vol.columns[0][i] = b.volume;
        amt.columns[0][i] = b.amount;
    }
    out.outputs = {std::move(k), std::move(vol), std::move(amt)};
}

void runTickData(CFormulaEngineRun& out)
{
    const size_t n = out.bars.size();
    CFormulaEngineOutput price = makeOutput("价格", 101, n, 1);
    CFormulaEngineOutput vol = makeOutput("成交量", -1, n, 1);
    CFormulaEngineOutput avg = makeOutput("均价", 0, n, 1);
    double cumVol = 0.0;
    double cumAmt = 0.0;
    qint64 day = std::numeric_limits<qint64>::min();
    for (size_t i = 0; i < n; ++i) {
        const quoter::CBar& b = out.bars[i];
        if (out.times[i].tradeDayMs != day) {
            day = out.times[i].tradeDayMs;
            cumVol = cumAmt = 0.0;
        }
        cumVol += b.volume;
        cumAmt += b.amount;
        price.columns[0][i] = b.close;
        vol.columns[0][i] = b.volume;
        avg.columns[0][i] = cumVol > 0.0 ? cumAmt / cumVol : kNoValue;
    }
    out.outputs = {std::move(price), std::move(vol), std::move(avg)};
}

void runTickVol(CFormulaEngineRun& out)
{
    const size_t n = out.bars.size();
    CFormulaEngineOutput vol = makeOutput("成交量", 10, n, 1);
    for (size_t i = 0; i < n; ++i)
        vol.columns[0][i] = out.bars[i].volume;
    out.outputs = {std::move(vol)};
}

// Previous close of each bar's trading day, taken from the series itself:
// the last close of the trading day before (for bars longer than a day the
// previous bar's close).
void prevCloseFromSeries(const CFormulaEngineRun& out, std::vector<double>& col)
{
    double lastOfPrevDay = kNoValue;
    double lastClose = kNoValue;
    qint64 day = std::numeric_limits<qint64>::min();
    for (size_t i = 0; i < out.bars.size(); ++i) {
        if (out.times[i].tradeDayMs != day) {
            day = out.times[i].tradeDayMs;
            lastOfPrevDay = lastClose;
        }
        col[i] = lastOfPrevDay;
        lastClose = out.bars[i].close;
    }
}

void runPriceLevel(const CFormulaParam& p, CFormulaEngineRun& out)
{
    const size_t n = out.bars.size();
    CFormulaEngineOutput line = makeOutput("价位线", 102, n, 1);
    std::vector<double>& col = line.columns[0];
    const qint64 periodSec = p.periodMs / 1000;
    if (p.market == QLatin1String("CD") || periodSec > 86400) {
        prevCloseFromSeries(out, col);
    } else {
        const CMarketStore* s = CFormulaEngine::store();
        const QString key = p.stockKey();
        // Raw prices are measured against the exchange's previous close, which
        // on an ex-date is the ex-rights reference price; adjusted series
        // against the adjusted close of the day before.
        const bool raw = p.drType < 1 || p.drType > 4 || periodSec == 0;
        const QVector<quoter::CBar> days = raw ? QVector<quoter::CBar>() : s->bars(key, 86400, p.drType);
        CLocalTimeConverter conv;
        qint64 day = std::numeric_limits<qint64>::min();
        double value = kNoValue;
        for (size_t i = 0; i < n; ++i) {
            if (out.times[i].tradeDayMs != day) {
                day = out.times[i].tradeDayMs;
                const qint64 tag = day / 1000;
                if (raw) {
                    QDate date;
                    int minute = 0;
                    conv.split(tag, date, minute);
                    value = s->prevClose(key, date);
                } else {
                    auto it = std::lower_bound(days.cbegin(), days.cend(), tag,
                                               [](const quoter::CBar& b, qint64 t) { return b.time < t; });
                    value = it == days.cbegin() ? kNoValue : (it - 1)->close;
                }
                if (!(value < kNoValue) || value != value)
                    value = kNoValue;
            }
            col[i] = value;
        }
    }
    out.outputs = {std::move(line)};
}

} // namespace

bool CFormulaEngine::runNative(const QString& name, const CFormulaParam& p, CFormulaEngineRun& out)
{
    if (name == QLatin1String("KLINE"))
        runKLine(out);
    else if (name == QLatin1String("TICKDATA"))
        runTickData(out);
    else if (name == QLatin1String("TICKVOL"))
        runTickVol(out);
    else
        runPriceLevel(p, out);
    return true;
}

} // namespace TC
