// Time tags and time lookup of the view model.
#include "model/CKLineUiParam.h"

#include <algorithm>

#include "platform/config/CUserConfig.h"
#include "platform/market/TraderCenter.h"

namespace TC {

namespace {
QDateTime todayMidnight()
{
    return QDateTime(QDate::currentDate(), QTime(0, 0));
}

int fieldOf(const QDate& d, int unit)
{
    switch (unit) {
    case 0:
        return d.year();
    case 1:
        return d.month();
    default:
        return d.day();
    }
}
} // namespace

int CKLineUiParam::getTimeTagByIndex(int i) const
{
    if (i < 0 || i >= m_tradeDateList.size())
        return -1;
    return int(quint32(m_tradeDateList.at(i)));
}

int CKLineUiParam::getLastTimeTag() const
{
    if (m_tradeDateList.isEmpty())
        return -1;
    return int(quint32(m_tradeDateList.last()));
}

int CKLineUiParam::getIndexByTimeTag(int t) const
{
    if (m_tradeDateList.isEmpty())
        return -1;
    auto it = std::lower_bound(m_tradeDateList.cbegin(), m_tradeDateList.cend(), qint64(t));
    if (it == m_tradeDateList.cend())
        return -1;
    return int(it - m_tradeDateList.cbegin());
}

QDateTime CKLineUiParam::getDateTimeByIndex(int i) const
{
    const int size = m_tradeDateList.size();
    if (i >= 0 && i < size) {
        const qint64 t = m_tradeDateList.at(i);
        if (t >= 0)
            return QDateTime::fromTime_t(uint(quint32(t)));
        // Dates before 1970 are stored as minus the tag of the date mirrored
        // into the epoch; rebuild it field by field from 1970-01-01.
        const QDate mirrored = QDateTime::fromTime_t(uint(quint32(-t))).date();
        QDateTime dt(QDate(1970, 1, 1), QTime(0, 0));
        dt = dt.addYears(1970 - mirrored.year());
        dt = dt.addMonths(1 - mirrored.month());
        dt = dt.addDays(1 - mirrored.day());
        return dt;
    }
    if (optionExpectMode == 1 && size > 0 && i >= size)
        return getDateTimeByIndex(size - 1).addDays(qint64(i) - size + 1);
    return todayMidnight();
}

void CKLineUiParam::getDateByIndex(int i, QDate& date, int& minuteOfDay) const
{
    int second = 0;
    getDateSecondByIndex(i, date, second);
    minuteOfDay = second / 60;
}

void CKLineUiParam::getDateSecondByIndex(int i, QDate& date, int& secondOfDay) const
{
    if (i >= 0 && i < m_tradeDateList.size() && m_tradeDateList.at(i) >= 0) {
        m_timeConverter.splitSeconds(m_tradeDateList.at(i), date, secondOfDay);
        return;
    }
    // Dates before 1970 and days past the last bar follow the long way.
    const QDateTime dt = getDateTimeByIndex(i);
    date = dt.date();
    secondOfDay = dt.time().msecsSinceStartOfDay() / 1000;
}

QDate CKLineUiParam::getDateByIndex(int i) const
{
    QDate date;
    int minute = 0;
    getDateByIndex(i, date, minute);
    return date;
}

int CKLineUiParam::findTimeIndex(int value, int lo, int hi, int unit) const
{
    if (lo > hi)
        return -1;
    for (;;) {
        const int mid = lo + (hi - lo) / 2;
        const int a = fieldOf(getDateByIndex(mid), unit);
        const int b = fieldOf(getDateByIndex(mid - 1), unit);
        if (a == value && b != a)
            return mid;
        if (a < value)
            lo = mid + 1;
        else
            hi = mid - 1;
        if (lo > hi)
            return -1;
    }
}

void CKLineUiParam::setOptionWinner(const QString& key, const QString& codes, int type)
{
    optionExpectMode = 1;
    winnerType = type;
    if (CUserConfig* config = getUserConfig())
        config->getWinnerSetting(key, type, winnerSetting);
    if (type < 0 || type > 3)
        return;
    if (type == 0 || type == 1) {
        winnerCodes[0] = codes;
        return;
    }
    const QStringList parts = codes.split(QLatin1Char('|'), Qt::KeepEmptyParts);
    if (parts.size() >= 2) {
        winnerCodes[0] = parts.at(0);
        winnerCodes[1] = parts.at(1);
    }
}

void CKLineUiParam::limitWinnerMaxExpireTimeTag(int count)
{
    const qint64 last = getLastTimeTag();
    // The empty list's -1 is read as a signed time so it stays just before
    // 1970 instead of wrapping to 2106.
    const qint64 extended =
        QDateTime::fromSecsSinceEpoch(last).addDays(qint64(count) - m_tradeDateList.size() + 1).toSecsSinceEpoch();
    qint64 limit = std::max<qint64>(qint64(winnerSetting.expireTimeTag) + 86400, extended);

    if (qlservice::IDataCenter* dc = qlservice::TraderCenter::instance()->getDataCenter()) {
        const std::set<int> dates = dc->getDateSet(getCurrKey().toStdString());
        if (!dates.empty()) {
            const QDateTime latest =
                QDateTime::fromString(QString::number(*dates.rbegin()), QStringLiteral("yyyyMMdd"));
            if (latest.isValid())
                limit = std::min(limit, latest.toSecsSinceEpoch());
        }
    }
    maxExpireTimeTag = int(limit);
}

} // namespace TC
