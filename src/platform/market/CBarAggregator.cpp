#include "platform/market/CBarAggregator.h"

#include <algorithm>

#include "platform/market/CLocalTimeConverter.h"

namespace TC {

namespace {

// End minute of the bucket that the minute bar ending at `m` belongs to.
int bucketEnd(int m, int len, const QVector<CTradingSession>& sessions)
{
    if (sessions.isEmpty()) {
        const int k = (std::max(m, 1) - 1) / len;
        return std::min((k + 1) * len, 1440);
    }
    for (const CTradingSession& s : sessions) {
        if (m > s.startMinute && m <= s.endMinute) {
            const int k = (m - s.startMinute - 1) / len;
            return std::min(s.startMinute + (k + 1) * len, s.endMinute);
        }
    }
    if (m <= sessions.first().startMinute)
        return std::min(sessions.first().startMinute + len, sessions.first().endMinute);
    int end = sessions.first().endMinute;
    for (const CTradingSession& s : sessions) {
        if (s.endMinute < m)
            end = std::max(end, s.endMinute);
    }
    return end;
}

} // namespace

void CBarAggregator::merge(quoter::CBar& into, const quoter::CBar& bar)
{
    into.high = std::max(into.high, bar.high);
    into.low = std::min(into.low, bar.low);
    into.close = bar.close;
    into.volume += bar.volume;
    into.amount += bar.amount;
}

QVector<quoter::CBar> CBarAggregator::intraday(const QVector<quoter::CBar>& minuteBars, int minutes,
                                               const QVector<CTradingSession>& sessions)
{
    QVector<quoter::CBar> out;
    if (minutes <= 0 || minuteBars.isEmpty())
        return out;
    QVector<CTradingSession> sorted = sessions;
    std::sort(sorted.begin(), sorted.end(), [](const CTradingSession& a, const CTradingSession& b) {
        return a.startMinute < b.startMinute;
    });

    CLocalTimeConverter conv;
    QDate curDate;
    int curEnd = -1;
    out.reserve(minuteBars.size() / minutes + 8);
    for (const quoter::CBar& bar : minuteBars) {
        QDate date;
        int m = 0;
        // The bar ending at midnight belongs to the day before.
        conv.split(bar.time - 1, date, m);
        m += 1;
        const int end = bucketEnd(m, minutes, sorted);
        if (!out.isEmpty() && date == curDate && end == curEnd) {
            merge(out.last(), bar);
            continue;
        }
        quoter::CBar b = bar;
        b.time = bar.time + qint64(end - m) * 60;
        out.append(b);
        curDate = date;
        curEnd = end;
    }
    return out;
}

QVector<quoter::CBar> CBarAggregator::calendar(const QVector<quoter::CBar>& dayBars, qint64 periodSeconds)
{
    QVector<quoter::CBar> out;
    auto keyOf = [periodSeconds](const QDate& d) -> int {
        switch (periodSeconds) {
        case 604800: {
            int year = 0;
            const int week = d.weekNumber(&year);
            return year * 100 + week;
        }
        case 2592000:
            return d.year() * 12 + d.month() - 1;
        case 7776000:
            return d.year() * 4 + (d.month() - 1) / 3;
        case 15552000:
            return d.year() * 2 + (d.month() - 1) / 6;
        case 31536000:
            return d.year();
        default:
            return -1;
        }
    };
    if (keyOf(QDate(2000, 1, 1)) < 0)
        return out;
    CLocalTimeConverter conv;
    int curKey = -1;
    for (const quoter::CBar& bar : dayBars) {
        QDate date;
        int m = 0;
        conv.split(bar.time, date, m);
        const int key = keyOf(date);
        if (!out.isEmpty() && key == curKey) {
            merge(out.last(), bar);
            out.last().time = bar.time;
            continue;
        }
        out.append(bar);
        curKey = key;
    }
    return out;
}

QVector<quoter::CBar> CBarAggregator::everyNDays(const QVector<quoter::CBar>& dayBars, int n)
{
    QVector<quoter::CBar> out;
    if (n <= 0)
        return out;
    out.reserve(dayBars.size() / n + 1);
    for (int i = 0; i < dayBars.size(); ++i) {
        if (i % n == 0) {
            out.append(dayBars[i]);
        } else {
            merge(out.last(), dayBars[i]);
            out.last().time = dayBars[i].time;
        }
    }
    return out;
}

QVector<quoter::CBar> CBarAggregator::daysFromMinutes(const QVector<quoter::CBar>& minuteBars)
{
    QVector<quoter::CBar> out;
    CLocalTimeConverter conv;
    QDate curDate;
    for (const quoter::CBar& bar : minuteBars) {
        QDate date;
        int m = 0;
        conv.split(bar.time - 1, date, m);
        if (!out.isEmpty() && date == curDate) {
            merge(out.last(), bar);
            continue;
        }
        quoter::CBar b = bar;
        b.time = CLocalTimeConverter::dayTag(date);
        out.append(b);
        curDate = date;
    }
    return out;
}

} // namespace TC
