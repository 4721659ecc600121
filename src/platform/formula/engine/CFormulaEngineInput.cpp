#include <algorithm>
#include <limits>

#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/engine/CFormulaEngineRun.h"
#include "platform/formula/lang/CFormulaInput.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

// Bars and their millisecond times: ticks keep their own milliseconds.
struct TimedBars {
    QVector<quoter::CBar> bars;
    std::vector<qint64> ms;
};

bool isCalendarPeriod(qint64 sec)
{
    return sec == 86400 || sec == 604800 || sec == 2592000 || sec == 7776000 || sec == 15552000 ||
           sec == 31536000;
}

void withBarTimes(TimedBars& t)
{
    // Read through the const data: the bars are shared with the store, and a
    // non-const index would copy the whole series.
    const quoter::CBar* bars = t.bars.constData();
    t.ms.resize(size_t(t.bars.size()));
    for (int i = 0; i < t.bars.size(); ++i)
        t.ms[size_t(i)] = bars[i].time * 1000;
}

// Bars of one instrument for a period in seconds (0: one bar per tick).
bool fetch(const CMarketStore& store, const QString& key, qint64 sec, int drType, TimedBars& out,
           QString* error)
{
    out = TimedBars();
    if (sec == 0) {
        const QVector<quoter::CTick> ticks = store.ticks(key);
        if (ticks.isEmpty()) {
            // No tick record (indexes, user data): the last day's minutes stand in.
            out.bars = store.minuteBars(key);
            withBarTimes(out);
            return true;
        }
        out.bars.reserve(ticks.size());
        out.ms.reserve(size_t(ticks.size()));
        for (const quoter::CTick& t : ticks) {
            quoter::CBar b;
            b.time = t.timeMs / 1000;
            b.open = b.high = b.low = b.close = t.price;
            b.volume = t.volume;
            b.amount = t.amount;
            out.bars.append(b);
            out.ms.push_back(t.timeMs);
        }
        return true;
    }
    if (sec < 60 || sec > 31536000) {
        if (error)
            *error = QStringLiteral("unsupported period %1 s").arg(sec);
        return false;
    }
    if ((sec < 86400 && sec % 60 == 0) || isCalendarPeriod(sec))
        out.bars = store.bars(key, sec, drType);
    else if (sec % 86400 == 0)
        out.bars = store.bars(key, 10, drType, int(sec / 86400));
    else if (sec % 3600 == 0)
        out.bars = store.bars(key, 11, drType, int(sec / 3600));
    else if (sec % 60 == 0)
        out.bars = store.bars(key, 13, drType, int(sec / 60));
    else {
        if (error)
            *error = QStringLiteral("unsupported period %1 s").arg(sec);
        return false;
    }
    withBarTimes(out);
    return true;
}

} // namespace

bool CFormulaEngine::loadBars(const CFormulaParam& p, bool lastDayOnly, CFormulaEngineRun& out,
                              QString* error)
{
    if (p.periodMs < 0 || p.periodMs % 1000 != 0) {
        if (error)
            *error = QStringLiteral("unsupported period %1 ms").arg(p.periodMs);
        return false;
    }
    qint64 sec = p.periodMs / 1000;
    // The tick series of another period is the day's one-minute bars.
    if (lastDayOnly && sec != 0)
        sec = 60;
    const int drType = sec == 0 ? 0 : p.drType;

    if (p.market == QLatin1String("CD")) {
        // Components have no common ticks: a custom index's tick chart uses minutes.
        if (!loadCustomIndex(p, sec == 0 ? 60 : sec, out, error))
            return false;
    } else {
        const CMarketStore* s = store();
        const QString key = p.stockKey();
        if (key.isEmpty() || !s->hasInstrument(key)) {
            if (error)
                *error = QStringLiteral("unknown instrument %1").arg(key);
            return false;
        }
        TimedBars t;
        if (!fetch(*s, key, sec, drType, t, error))
            return false;
        out.bars.assign(t.bars.cbegin(), t.bars.cend());
        out.times.resize(t.ms.size());
        for (size_t i = 0; i < t.ms.size(); ++i)
            out.times[i].timeMs = t.ms[i];
    }
    fillTradeDays(out, sec >= 86400);

    if ((sec == 0 || lastDayOnly) && !out.times.empty()) {
        const qint64 day = out.times.back().tradeDayMs;
        auto it = std::find_if(out.times.cbegin(), out.times.cend(),
                               [day](const se::RPCTimeItem& t) { return t.tradeDayMs == day; });
        const auto cut = it - out.times.cbegin();
        out.times.erase(out.times.begin(), out.times.begin() + cut);
        out.bars.erase(out.bars.begin(), out.bars.begin() + cut);
    }
    return true;
}

void CFormulaEngine::fillTradeDays(CFormulaEngineRun& out, bool dayBars)
{
    if (dayBars) {
        for (se::RPCTimeItem& t : out.times)
            t.tradeDayMs = t.timeMs;
        return;
    }
    // Intraday times mark a bar's end: the bar (or tick) ending at midnight
    // still belongs to the day before.
    CLocalTimeConverter conv;
    QDate current;
    qint64 currentTag = 0;
    for (se::RPCTimeItem& t : out.times) {
        QDate date;
        int minute = 0;
        const qint64 ms = t.timeMs - 1;
        conv.split(ms >= 0 ? ms / 1000 : (ms - 999) / 1000, date, minute);
        if (date != current) {
            current = date;
            currentTag = CLocalTimeConverter::dayTag(date) * 1000;
        }
        t.tradeDayMs = currentTag;
    }
}

bool CFormulaEngine::loadCustomIndex(const CFormulaParam& p, qint64 periodSec, CFormulaEngineRun& out,
                                     QString* error)
{
    if (p.components.isEmpty()) {
        if (error)
            *error = QStringLiteral("custom index %1 has no components").arg(p.code);
        return false;
    }
    const CMarketStore* s = store();
    std::vector<TimedBars> parts;
    std::vector<double> baseClose;
    std::vector<qint64> allTimes;
    const QDate baseDate = QDate::fromString(QString::number(p.indexBaseDate), QStringLiteral("yyyyMMdd"));
    const qint64 baseEnd = baseDate.isValid() ? CLocalTimeConverter::dayTag(baseDate.addDays(1)) : 0;
    for (const auto& c : p.components) {
        const QString key = c.first + c.second;
        if (!s->hasInstrument(key)) {
            if (error)
                *error = QStringLiteral("unknown component %1 of custom index %2").arg(key, p.code);
            return false;
        }
        TimedBars t;
        if (!fetch(*s, key, periodSec, p.drType, t, error))
            return false;
        if (t.bars.isEmpty())
            continue;
        double base = t.bars.first().close;
        for (const quoter::CBar& b : t.bars) {
            // Day bars sit at midnight, intraday bars at their end: both are
            // "on or before the base date" when before the next midnight.
            if (baseEnd == 0 || b.time >= baseEnd)
                break;
            base = b.close;
        }
        allTimes.insert(allTimes.end(), t.ms.cbegin(), t.ms.cend());
        parts.push_back(std::move(t));
        baseClose.push_back(base);
    }
    std::sort(allTimes.begin(), allTimes.end());
    allTimes.erase(std::unique(allTimes.begin(), allTimes.end()), allTimes.end());

    const double basePoint = p.indexBasePoint > 0 ? double(p.indexBasePoint) : 1000.0;
    std::vector<int> next(parts.size(), 0);
    out.bars.reserve(allTimes.size());
    out.times.reserve(allTimes.size());
    for (qint64 ms : allTimes) {
        double o = 0, h = 0, l = 0, cl = 0, vol = 0, amt = 0;
        int n = 0;
        for (size_t k = 0; k < parts.size(); ++k) {
            const TimedBars& t = parts[k];
            int& j = next[k];
            while (j < t.bars.size() && t.ms[size_t(j)] <= ms)
                ++j;
            if (j == 0 || !(baseClose[k] > 0.0))
                continue; // not trading yet
            const quoter::CBar& b = t.bars[j - 1];
            const double f = 1.0 / baseClose[k];
            if (t.ms[size_t(j - 1)] == ms) {
                o += b.open * f;
                h += b.high * f;
                l += b.low * f;
                vol += b.volume;
                amt += b.amount;
            } else {
                // Suspended: its last close stands still.
                o += b.close * f;
                h += b.close * f;
                l += b.close * f;
            }
            cl += b.close * f;
            ++n;
        }
        if (n == 0)
            continue;
        const double m = basePoint / n;
        quoter::CBar bar;
        bar.time = ms / 1000;
        bar.open = o * m;
        bar.high = h * m;
        bar.low = l * m;
        bar.close = cl * m;
        bar.volume = vol;
        bar.amount = amt;
        out.bars.push_back(bar);
        se::RPCTimeItem ti;
        ti.timeMs = ms;
        out.times.push_back(ti);
    }
    return true;
}

bool CFormulaEngine::loadReference(const CFormulaParam& p, const QString& key, qint64 periodSec,
                                   const CFormulaEngineRun& run, flang::CFormulaInput& aligned)
{
    const CMarketStore* s = store();
    const QString instrument = key.isEmpty() ? p.stockKey() : key;
    if (instrument.isEmpty() || !s->hasInstrument(instrument))
        return false;
    const qint64 sec = periodSec > 0 ? periodSec : p.periodMs / 1000;
    TimedBars t;
    if (!fetch(*s, instrument, sec, sec == 0 ? 0 : p.drType, t, nullptr))
        return false;
    const size_t n = run.bars.size();
    const double none = std::numeric_limits<double>::max();
    aligned = flang::CFormulaInput();
    aligned.barCount = int(n);
    for (std::vector<double>* v :
         {&aligned.open, &aligned.high, &aligned.low, &aligned.close, &aligned.volume, &aligned.amount})
        v->assign(n, none);
    // both series are in time order: one pass
    size_t j = 0;
    for (size_t i = 0; i < n && i < run.times.size(); ++i) {
        const qint64 at = run.times[i].timeMs;
        while (j < t.ms.size() && t.ms[j] <= at)
            ++j;
        if (j == 0)
            continue;
        const quoter::CBar& b = t.bars.at(int(j - 1));
        aligned.open[i] = b.open;
        aligned.high[i] = b.high;
        aligned.low[i] = b.low;
        aligned.close[i] = b.close;
        aligned.volume[i] = b.volume;
        aligned.amount[i] = b.amount;
    }
    return true;
}

} // namespace TC
