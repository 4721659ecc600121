// Statistics of a selected bar range, for the region statistics dialog.
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "model/CKLineUiParam.h"
#include "platform/framework/KWFormat.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const char* const kInvalidText = "非法值";

bool usable(double v)
{
    return std::isfinite(v) && std::fabs(v) < DBL_MAX;
}

// A missing volume or amount adds nothing.
double amountOf(double v)
{
    return usable(v) ? v : 0.0;
}

// The output of `cache` named `name`; 0 when none is.
int outputNamed(const RPCFormulaResultCache& cache, const char* name)
{
    const std::string wanted(name);
    for (int i = 0; i < cache.outputCount(); ++i)
        if (cache.meta->names[size_t(i)] == wanted)
            return i;
    return 0;
}

int outputWithStyle(const RPCFormulaResultCache& cache, int style)
{
    for (int i = 0; i < cache.outputCount(); ++i)
        if (cache.styleCode(i) == style)
            return i;
    return -1;
}

struct RangeSums {
    double reference = DBL_MAX;
    double open = DBL_MAX;
    double close = DBL_MAX;
    double high = DBL_MAX;
    double low = DBL_MAX;
    int highBar = -1;
    int lowBar = -1;
    double volume = 0.0;
    double amount = 0.0;
    double closeSum = 0.0;
    double riseVolume = 0.0;
    double fallVolume = 0.0;
    double riseClose = 0.0;
    double fallClose = 0.0;
    int rising = 0;
    int falling = 0;

    // The first valid bar sets both extremes; later ones replace them only
    // when strictly beyond, so the earliest bar of a tie is kept.
    void extremes(double hi, double lo, int bar)
    {
        if (highBar < 0 || hi > high) {
            high = hi;
            highBar = bar;
        }
        if (lowBar < 0 || lo < low) {
            low = lo;
            lowBar = bar;
        }
    }
    void add(double o, double c, double vol, double amt, bool falls)
    {
        if (!usable(open))
            open = o;
        close = c;
        if (falls) {
            fallVolume += vol;
            fallClose += c;
            ++falling;
        } else {
            riseVolume += vol;
            riseClose += c;
            ++rising;
        }
        closeSum += c;
        volume += vol;
        amount += amt;
    }
};

} // namespace

QMap<int, QString> CKLineData::statisticRange(int first, int last) const
{
    QMap<int, QString> out;
    if (!m_pUiParam || first < 0 || last < first)
        return out;
    const bool tick = m_pUiParam->tickGraph;
    const char* const wanted = tick ? "TICKDATA" : "KLINE";
    const RPCFormulaResultCache* entry = nullptr;
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it)
        if (it.key().formula.contains(QLatin1String(wanted)))
            entry = &it.value();
    if (!entry || !entry->isValid())
        return out;
    const RPCFormulaResultCache& cache = *entry;
    const int bars = cache.barCount();
    if (first >= bars)
        return out;

    RangeSums s;
    if (!tick) {
        const int k = outputWithStyle(cache, 12);
        if (k < 0 || cache.columnsOf(k).size() != 4)
            return out;
        const int volOut = outputNamed(cache, "成交量");
        const int amtOut = outputNamed(cache, "成交额");
        s.reference = cache.value(k, first > 0 ? first - 1 : 0, 3);
        for (int i = first; i <= last && i < bars; ++i) {
            if (!cache.barValid(i))
                continue;
            const double o = cache.value(k, i, 0);
            const double h = cache.value(k, i, 1);
            const double l = cache.value(k, i, 2);
            const double c = cache.value(k, i, 3);
            if (!usable(o) || !usable(h) || !usable(l) || !usable(c))
                continue;
            s.extremes(h, l, i);
            s.add(o, c, amountOf(cache.value(volOut, i)), amountOf(cache.value(amtOut, i)), c < o);
        }
    } else {
        int p = outputWithStyle(cache, 101);
        if (p < 0)
            p = 0;
        const std::vector<double>* volumes = cache.result->column(1);
        s.reference = cache.value(p, first > 0 ? first - 1 : 0);
        double previous = s.reference;
        for (int i = first; i <= last && i < bars; ++i) {
            if (!cache.barValid(i))
                continue;
            const double price = cache.value(p, i);
            if (!usable(price))
                continue;
            const double vol = volumes && i < int(volumes->size()) ? amountOf((*volumes)[size_t(i)]) : 0.0;
            s.extremes(price, price, i);
            s.add(price, price, vol, vol * price, price < previous);
            previous = price;
        }
    }

    const double count = double(last - first + 1);
    const double shares = m_pUiParam->curStock ? m_pUiParam->curStock->circulatingShares : 0.0;
    const bool noShares =
        !std::isfinite(shares) || std::fabs(shares) < 1e-5 || std::fabs(DBL_MAX - std::fabs(shares)) < 1e-5;
    // The market store counts volume in shares, not lots of 100: the ratio
    // itself is the turnover, and the percent format scales it.
    const double turnover = noShares ? 0.0 : s.volume / shares;
    const bool hasExtremes = s.highBar >= 0;
    const double spread = hasExtremes ? s.high - s.low : DBL_MAX;
    const double change = usable(s.close) && usable(s.reference) ? s.close - s.reference : DBL_MAX;
    const double changeRatio = usable(change) ? change / s.reference : DBL_MAX;

    const QString invalid = QString::fromUtf8(kInvalidText);
    auto put = [&](int key, double value, int decimals, int flags = 0) {
        out.insert(key, KW::formatDoubleNumber(value, decimals, flags, false, invalid));
    };
    put(0, s.reference, 2);
    put(1, s.open, 2);
    put(2, s.high, 2);
    put(3, s.low, 2);
    put(4, s.close, 2);
    put(5, s.volume, 0);
    put(6, s.amount / 10000.0, 2);
    put(7, s.riseVolume, 0);
    put(8, s.fallVolume, 0);
    put(9, s.riseClose / s.rising, 2);
    put(10, s.fallClose / s.falling, 2);
    put(11, spread, 2);
    put(12, changeRatio, 2, KW::kFormatPercent);
    put(13, turnover, 2, KW::kFormatPercent);
    put(14, change, 2);
    out.insert(15, QString());
    put(16, s.closeSum / count, 2);
    out.insert(17, QString());
    put(18, s.volume / count, 0);
    put(19, s.amount / count / 10000.0, 2);
    out.insert(20, QString());
    out.insert(21, QString());
    put(22, s.rising, 0);
    put(23, s.falling, 0);
    out.insert(24, hasExtremes ? KW::formatIntNumber(std::abs(s.highBar - s.lowBar), 0, false, invalid)
                               : invalid);
    out.insert(25, QString());
    return out;
}

} // namespace TC
