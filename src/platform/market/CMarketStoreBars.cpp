// Period bars and ex-rights adjustment of the market store.
#include <boost/thread/locks.hpp>

#include "platform/config/QLLog.h"
#include "platform/market/CBarAggregator.h"
#include "platform/market/CDividAdjuster.h"
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

} // namespace TC
