// Period bars and ex-rights adjustment of the market store.
#include <algorithm>

#include <boost/thread/locks.hpp>

#include "platform/config/QLLog.h"
#include "platform/market/CBarAggregator.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

QVector<quoter::CBar> CMarketStore::bars(const QString& key, qint64 periodSeconds, int drType) const
{
    return bars(key, periodSeconds, drType, 1);
}

QVector<quoter::CBar> CMarketStore::bars(const QString& key, qint64 periodSeconds, int drType, int n) const
{
    if (!CDividAdjuster::isValidType(drType)) {
        QLLOG_WARN(qlog::kStdLogger, "unknown ex-rights type %1% for %2%, bars left unadjusted", drType, key);
        drType = DrNone;
    }
    QVector<quoter::CBar> days;
    QVector<quoter::CBar> minutes;
    QVector<quoter::DividData> divids;
    QVector<CTradingSession> sessions;
    {
        boost::shared_lock<boost::shared_mutex> lock(m_mutex);
        auto it = m_data.instruments.constFind(key);
        if (it == m_data.instruments.cend())
            return {};
        days = it->dayBars;
        minutes = it->minuteBars;
        divids = it->divids;
        sessions = m_data.sessions.value(QString::fromStdString(it->detail.market));
    }
    auto adjusted = [&](const QVector<quoter::CBar>& source) {
        return CDividAdjuster::adjust(source, divids, days, drType);
    };

    switch (periodSeconds) {
    case 10:
        return n < 1 ? QVector<quoter::CBar>() : CBarAggregator::everyNDays(adjusted(days), n);
    case 11:
        return n < 1 || n > 24 ? QVector<quoter::CBar>()
                               : CBarAggregator::intraday(adjusted(minutes), n * 60, sessions);
    case 13:
        return n < 1 || n > 1440 ? QVector<quoter::CBar>()
                                 : CBarAggregator::intraday(adjusted(minutes), n, sessions);
    case 60:
        return adjusted(minutes);
    case 86400:
        return adjusted(days);
    case 604800:
    case 2592000:
    case 7776000:
    case 15552000:
    case 31536000:
        return CBarAggregator::calendar(adjusted(days), periodSeconds);
    default:
        break;
    }
    if (periodSeconds > 60 && periodSeconds < 86400 && periodSeconds % 60 == 0)
        return CBarAggregator::intraday(adjusted(minutes), int(periodSeconds / 60), sessions);
    return {};
}

quint64 CMarketStore::revision(const QString& key) const
{
    boost::shared_lock<boost::shared_mutex> lock(m_mutex);
    return m_revisions.value(key, 0);
}

bool CMarketStore::barsSince(const QString& key, qint64 periodSeconds, int drType, int n, qint64 sinceTime,
                             QVector<quoter::CBar>& out, quint64* revision) const
{
    out.clear();
    if (!CDividAdjuster::isValidType(drType))
        drType = DrNone; // as bars() reads it
    QVector<quoter::CBar> days;
    QVector<quoter::CBar> minutes;
    QVector<quoter::DividData> divids;
    QVector<CTradingSession> sessions;
    {
        boost::shared_lock<boost::shared_mutex> lock(m_mutex);
        auto it = m_data.instruments.constFind(key);
        if (it == m_data.instruments.cend())
            return false;
        days = it->dayBars;
        minutes = it->minuteBars;
        divids = it->divids;
        sessions = m_data.sessions.value(QString::fromStdString(it->detail.market));
        if (revision)
            *revision = m_revisions.value(key, 0);
    }
    if (drType != DrNone) {
        // the proportional types measure an event against the close before
        // it, which may be the live day's
        for (const quoter::DividData& d : qAsConst(divids)) {
            if (d.time / 1000 > sinceTime - 2 * 86400)
                return false;
        }
    }
    auto since = [](const QVector<quoter::CBar>& v, qint64 t) {
        const auto at = std::lower_bound(v.cbegin(), v.cend(), t,
                                         [](const quoter::CBar& b, qint64 x) { return b.time < x; });
        return v.mid(int(at - v.cbegin()));
    };
    // each bar is adjusted on its own, so a stretch adjusts as the whole series does
    auto adjusted = [&](const QVector<quoter::CBar>& source) {
        return CDividAdjuster::adjust(source, divids, days, drType);
    };
    int bucket = 0;
    if (periodSeconds > 60 && periodSeconds < 86400 && periodSeconds % 60 == 0)
        bucket = int(periodSeconds / 60);
    else if (periodSeconds == 11 && n >= 1 && n <= 24)
        bucket = n * 60;
    else if (periodSeconds == 13 && n >= 1 && n <= 1440)
        bucket = n;
    if (periodSeconds == 60) {
        out = adjusted(since(minutes, sinceTime));
    } else if (periodSeconds == 86400) {
        out = adjusted(since(days, sinceTime));
    } else if (bucket > 0) {
        // buckets never span days: aggregating from the first minute of the
        // day of sinceTime's bar gives that day's buckets as the whole series does
        const qint64 dayStart = CLocalTimeConverter::dayTag(CLocalTimeConverter::dateOf(sinceTime - 1));
        const QVector<quoter::CBar> bars =
            CBarAggregator::intraday(adjusted(since(minutes, dayStart + 1)), bucket, sessions);
        out = since(bars, sinceTime);
    } else {
        out = since(this->bars(key, periodSeconds, drType, n), sinceTime);
    }
    return true;
}

} // namespace TC
