// Changes to the market store: added instruments and the real-time hooks.
#include <algorithm>
#include <cmath>
#include <limits>

#include <boost/thread/locks.hpp>

#include "platform/config/QLLog.h"
#include "platform/market/CBarAggregator.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

using WriteLock = boost::unique_lock<boost::shared_mutex>;

bool validBar(const quoter::CBar& b, QString& why)
{
    for (double v : {b.open, b.high, b.low, b.close, b.volume, b.amount}) {
        if (!std::isfinite(v)) {
            why = QStringLiteral("non-finite value");
            return false;
        }
    }
    if (b.low > std::min(b.open, b.close) || b.high < std::max(b.open, b.close)) {
        why = QStringLiteral("low/high do not enclose open and close");
        return false;
    }
    if (b.volume < 0.0) {
        why = QStringLiteral("negative volume");
        return false;
    }
    return true;
}

void insertSorted(QVector<qint64>& tags, qint64 tag)
{
    auto it = std::lower_bound(tags.begin(), tags.end(), tag);
    if (it == tags.end() || *it != tag)
        tags.insert(it, tag);
}

} // namespace

bool CMarketStore::validBars(const QVector<quoter::CBar>& bars, QString& why)
{
    for (int i = 0; i < bars.size(); ++i) {
        if (!validBar(bars[i], why) || (i > 0 && bars[i].time <= bars[i - 1].time)) {
            if (why.isEmpty())
                why = QStringLiteral("time not ascending");
            why = QStringLiteral("bar %1: %2").arg(i).arg(why);
            return false;
        }
    }
    return true;
}

void CMarketStore::refreshLimits(CInstrumentData& inst, const QDate& day) const
{
    qlservice::CInstrumentDetail& d = inst.detail;
    const double close = CDividAdjuster::previousClose(inst.dayBars, inst.divids,
                                                       CLocalTimeConverter::dayTag(day), d.priceTick);
    if (close == std::numeric_limits<double>::max())
        return;
    d.lastClose = close;
    if (inst.limitPct > 0.0) {
        d.upperLimitPrice = CDividAdjuster::roundToTick(close * (1.0 + inst.limitPct), d.priceTick);
        d.lowerLimitPrice = CDividAdjuster::roundToTick(close * (1.0 - inst.limitPct), d.priceTick);
    }
}

bool CMarketStore::addInstrument(const qlservice::CInstrumentDetail& detail,
                                 const QVector<quoter::CBar>& dayBars,
                                 const QVector<quoter::CBar>& minuteBars)
{
    CInstrumentData inst;
    inst.detail = detail;
    qlservice::CInstrumentDetail& d = inst.detail;
    if (d.key.empty())
        d.key = d.market + d.code;
    if (d.key.empty() || d.market.empty()) {
        QLLOG_WARN(qlog::kStdLogger, "instrument without key or market refused (code %1%)", d.code);
        return false;
    }
    QString why;
    if (!validBars(dayBars, why) || !validBars(minuteBars, why)) {
        QLLOG_WARN(qlog::kStdLogger, "instrument %1% refused: %2%", d.key, why);
        return false;
    }
    inst.dayBars = dayBars.isEmpty() ? CBarAggregator::daysFromMinutes(minuteBars) : dayBars;
    inst.minuteBars = minuteBars;
    if (d.lastClose == 0.0 && !inst.dayBars.isEmpty()) {
        d.lastClose =
            inst.dayBars.size() >= 2 ? inst.dayBars[inst.dayBars.size() - 2].close : inst.dayBars.last().open;
    }

    const QString key = QString::fromStdString(d.key);
    const QString market = QString::fromStdString(d.market);
    WriteLock lock(m_mutex);
    if (m_data.instruments.contains(key))
        QLLOG_INFO(qlog::kStdLogger, "instrument %1% replaced", key);
    m_data.instruments.insert(key, inst);
    m_revisions.insert(key, ++m_revisionClock);
    if (!d.underlyingCode.empty())
        m_data.bondsByStock[market + QString::fromStdString(d.underlyingCode)].insert(key);
    if (market == QLatin1String("BKZS"))
        m_data.sectorKeyByName.insert(QString::fromStdString(d.name), key);
    if (!m_data.fixedCalendarMarkets.contains(market)) {
        // The calendar of such a market is the union of its instruments' days.
        QVector<qint64> tags;
        for (const CInstrumentData& other : qAsConst(m_data.instruments)) {
            if (other.detail.market != d.market)
                continue;
            for (const quoter::CBar& b : other.dayBars)
                tags.append(b.time);
        }
        std::sort(tags.begin(), tags.end());
        tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
        m_data.tradeDates.insert(market, tags);
    }
    return true;
}

bool CMarketStore::appendMinuteBar(const QString& key, const quoter::CBar& bar)
{
    QString why;
    if (!validBar(bar, why)) {
        QLLOG_WARN(qlog::kStdLogger, "minute bar of %1% refused: %2%", key, why);
        return false;
    }
    const QDate date = CLocalTimeConverter::dateOf(bar.time - 1);
    const qint64 dayTag = CLocalTimeConverter::dayTag(date);
    WriteLock lock(m_mutex);
    auto it = m_data.instruments.find(key);
    if (it == m_data.instruments.end())
        return false;
    CInstrumentData& inst = *it;
    if (!inst.minuteBars.isEmpty() && bar.time <= inst.minuteBars.last().time)
        return false;
    if (!inst.dayBars.isEmpty() && inst.dayBars.last().time > dayTag)
        return false;

    inst.dayExistedBeforeLastMinute = !inst.dayBars.isEmpty() && inst.dayBars.last().time == dayTag;
    if (inst.dayExistedBeforeLastMinute) {
        inst.dayBeforeLastMinute = inst.dayBars.last();
        CBarAggregator::merge(inst.dayBars.last(), bar);
    } else {
        quoter::CBar day = bar;
        day.time = dayTag;
        inst.dayBars.append(day);
        insertSorted(m_data.tradeDates[QString::fromStdString(inst.detail.market)], dayTag);
    }
    inst.lastMergedMinute = bar.time;
    inst.minuteBars.append(bar);
    return true;
}

bool CMarketStore::updateLastMinuteBar(const QString& key, const quoter::CBar& bar)
{
    QString why;
    if (!validBar(bar, why)) {
        QLLOG_WARN(qlog::kStdLogger, "minute bar of %1% refused: %2%", key, why);
        return false;
    }
    const qint64 dayTag = CLocalTimeConverter::dayTag(CLocalTimeConverter::dateOf(bar.time - 1));
    WriteLock lock(m_mutex);
    auto it = m_data.instruments.find(key);
    if (it == m_data.instruments.end())
        return false;
    CInstrumentData& inst = *it;
    if (inst.minuteBars.isEmpty() || inst.minuteBars.last().time != bar.time)
        return false;
    inst.minuteBars.last() = bar;

    if (inst.lastMergedMinute == bar.time && !inst.dayBars.isEmpty() && inst.dayBars.last().time == dayTag) {
        quoter::CBar day = bar;
        if (inst.dayExistedBeforeLastMinute) {
            day = inst.dayBeforeLastMinute;
            CBarAggregator::merge(day, bar);
        }
        day.time = dayTag;
        inst.dayBars.last() = day;
        return true;
    }
    // No record of the merge: rebuild the day from its minute bars.
    int first = inst.minuteBars.size() - 1;
    while (first > 0 && inst.minuteBars[first - 1].time > dayTag)
        --first;
    quoter::CBar day = inst.minuteBars[first];
    for (int i = first + 1; i < inst.minuteBars.size(); ++i)
        CBarAggregator::merge(day, inst.minuteBars[i]);
    day.time = dayTag;
    auto pos = std::lower_bound(inst.dayBars.begin(), inst.dayBars.end(), dayTag,
                                [](const quoter::CBar& b, qint64 t) { return b.time < t; });
    if (pos != inst.dayBars.end() && pos->time == dayTag)
        *pos = day;
    else
        inst.dayBars.insert(pos, day);
    return true;
}

bool CMarketStore::appendTick(const QString& key, const quoter::CTick& tick)
{
    if (!std::isfinite(tick.price) || !std::isfinite(tick.volume) || !std::isfinite(tick.amount) ||
        tick.volume < 0.0)
        return false;
    WriteLock lock(m_mutex);
    auto it = m_data.instruments.find(key);
    if (it == m_data.instruments.end())
        return false;
    if (!it->ticks.isEmpty() && tick.timeMs < it->ticks.last().timeMs)
        return false;
    it->ticks.append(tick);
    return true;
}

bool CMarketStore::modifyBar(const QString& key, int period, qint64 timeTag, const quoter::CBar& bar,
                             QString* error)
{
    auto refuse = [&](const QString& why) {
        QLLOG_WARN(qlog::kStdLogger, "bar %1% of %2% (period %3%) not changed: %4%", timeTag, key, period, why);
        if (error)
            *error = why;
        return false;
    };
    if (period != 60 && period != 86400)
        return refuse(QStringLiteral("only day and one-minute bars are stored"));
    QString why;
    if (!validBar(bar, why))
        return refuse(why);
    quoter::CBar value = bar;
    value.time = timeTag;
    auto byTime = [](const quoter::CBar& b, qint64 t) { return b.time < t; };

    WriteLock lock(m_mutex);
    auto it = m_data.instruments.find(key);
    if (it == m_data.instruments.end())
        return refuse(QStringLiteral("unknown instrument"));
    CInstrumentData& inst = *it;
    QVector<quoter::CBar>& bars = period == 60 ? inst.minuteBars : inst.dayBars;
    auto pos = std::lower_bound(bars.begin(), bars.end(), timeTag, byTime);
    if (pos == bars.end() || pos->time != timeTag)
        return refuse(QStringLiteral("no bar at that time"));
    *pos = value;
    if (period == 60) {
        const qint64 dayTag = CLocalTimeConverter::dayTag(CLocalTimeConverter::dateOf(timeTag - 1));
        const int index = int(pos - bars.begin());
        int first = index;
        while (first > 0 && bars[first - 1].time > dayTag)
            --first;
        int last = index;
        while (last + 1 < bars.size() && bars[last + 1].time <= dayTag + 86400)
            ++last;
        quoter::CBar day = bars[first];
        for (int i = first + 1; i <= last; ++i)
            CBarAggregator::merge(day, bars[i]);
        day.time = dayTag;
        auto d = std::lower_bound(inst.dayBars.begin(), inst.dayBars.end(), dayTag, byTime);
        if (d != inst.dayBars.end() && d->time == dayTag)
            *d = day;
        else
            inst.dayBars.insert(d, day);
    }
    // The real-time merge record no longer describes the day bar.
    inst.lastMergedMinute = 0;
    m_revisions.insert(key, ++m_revisionClock);
    if (m_data.fixedCalendarMarkets.contains(QString::fromStdString(inst.detail.market)))
        refreshLimits(inst, m_data.today);
    return true;
}

bool CMarketStore::setToday(const QDate& date)
{
    if (!date.isValid())
        return false;
    WriteLock lock(m_mutex);
    if (date < m_data.today)
        return false;
    if (date == m_data.today)
        return true;
    if (!CChinaTradingCalendar::isTradingDay(date)) {
        QLLOG_WARN(qlog::kStdLogger, "%1% is not a trading day", date.toString(Qt::ISODate));
        return false;
    }
    const qint64 tag = CLocalTimeConverter::dayTag(date);
    for (const QString& market : qAsConst(m_data.fixedCalendarMarkets)) {
        QVector<qint64>& tags = m_data.tradeDates[market];
        if (tags.isEmpty() || tags.last() < tag)
            tags.append(tag);
    }
    m_data.today = date;
    for (CInstrumentData& inst : m_data.instruments) {
        if (m_data.fixedCalendarMarkets.contains(QString::fromStdString(inst.detail.market)))
            refreshLimits(inst, date);
    }
    return true;
}

} // namespace TC
