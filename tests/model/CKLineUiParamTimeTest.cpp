#include <ctime>

#include <gtest/gtest.h>

#include "common/TestHelpers.h"
#include "model/CKLineUiParam.h"
#include "platform/market/TraderCenter.h"

using TC::CKLineUiParam;

namespace {

// Exposes the protected lookup.
class UiParamProbe : public CKLineUiParam
{
public:
    using CKLineUiParam::findTimeIndex;
};

QDateTime todayMidnight()
{
    return QDateTime(QDate::currentDate(), QTime(0, 0));
}

// Trading-day-like tags: weekdays only, from `first` to `last` inclusive.
QVector<qint64> weekdays(const QDate& first, const QDate& last)
{
    QVector<qint64> v;
    for (QDate d = first; d <= last; d = d.addDays(1))
        if (d.dayOfWeek() <= 5)
            v.append(QDateTime(d, QTime(0, 0)).toSecsSinceEpoch());
    return v;
}

} // namespace

TEST(UiParamTime, EmptyListLookups)
{
    CKLineUiParam p;
    EXPECT_EQ(p.getTimeTagByIndex(0), -1);
    EXPECT_EQ(p.getLastTimeTag(), -1);
    EXPECT_EQ(p.getIndexByTimeTag(12345), -1);
    EXPECT_EQ(p.getDateTimeByIndex(0), todayMidnight());
    EXPECT_EQ(p.getDateTimeByIndex(-3), todayMidnight());
}

TEST(UiParamTime, LookupByTimeTagFindsTheFirstBarAtOrAfter)
{
    CKLineUiParam p;
    p.m_tradeDateList = {100, 200, 300, 400};
    EXPECT_EQ(p.getIndexByTimeTag(200), 1);
    EXPECT_EQ(p.getIndexByTimeTag(250), 2);
    EXPECT_EQ(p.getIndexByTimeTag(50), 0);
    EXPECT_EQ(p.getIndexByTimeTag(401), -1);
    EXPECT_EQ(p.getTimeTagByIndex(3), 400);
    EXPECT_EQ(p.getTimeTagByIndex(4), -1);
    EXPECT_EQ(p.getLastTimeTag(), 400);
    EXPECT_EQ(p.getDateTimeByIndex(4), todayMidnight()); // beyond the end without option mode
}

TEST(UiParamTime, DatesBefore1970AreRebuiltFieldByField)
{
    CKLineUiParam p;
    p.m_tradeDateList = {-ktest::tag(2010, 6, 15), ktest::tag(2010, 6, 15)};
    EXPECT_EQ(p.getDateTimeByIndex(0), QDateTime(QDate(1929, 7, 18), QTime(0, 0)));
    EXPECT_EQ(p.getDateTimeByIndex(1), QDateTime(QDate(2010, 6, 15), QTime(0, 0)));
}

TEST(UiParamTime, OptionModeExtendsPastTheLastBarDayByDay)
{
    CKLineUiParam p;
    p.m_tradeDateList = ktest::dailyTags(QDate(2024, 1, 1), 100);
    const QDateTime last = p.getDateTimeByIndex(99);
    EXPECT_EQ(p.getDateTimeByIndex(102), todayMidnight());
    p.optionExpectMode = 1;
    EXPECT_EQ(p.getDateTimeByIndex(102), last.addDays(3));
    EXPECT_EQ(p.getDateTimeByIndex(100), last.addDays(1));
}

TEST(UiParamTime, FindTimeIndexFindsTheFirstBarOfYearMonthDay)
{
    UiParamProbe p;
    p.m_tradeDateList = weekdays(QDate(2020, 1, 1), QDate(2022, 12, 31));
    const int n = p.m_tradeDateList.size();
    const int y2021 = p.findTimeIndex(2021, 0, n - 1, 0);
    ASSERT_GE(y2021, 0);
    EXPECT_EQ(p.getDateTimeByIndex(y2021).date(), QDate(2021, 1, 1));
    EXPECT_EQ(p.getDateTimeByIndex(y2021 - 1).date(), QDate(2020, 12, 31));
    EXPECT_EQ(p.findTimeIndex(2025, 0, n - 1, 0), -1);
    EXPECT_EQ(p.findTimeIndex(2021, 10, 5, 0), -1);

    // Month within one year: March 2021 starts on Monday the 1st.
    const int jan = y2021;
    const int mar = p.findTimeIndex(3, jan, jan + 80, 1);
    ASSERT_GE(mar, 0);
    EXPECT_EQ(p.getDateTimeByIndex(mar).date(), QDate(2021, 3, 1));

    // Day of month within one month: 2021-03-15 is a Monday.
    const int d15 = p.findTimeIndex(15, mar, mar + 20, 2);
    ASSERT_GE(d15, 0);
    EXPECT_EQ(p.getDateTimeByIndex(d15).date(), QDate(2021, 3, 15));
}

// The cached date lookup the time axis walks with gives the dates and
// minutes of the full conversion, hour by hour across both daylight-saving
// changes of a zone that has them, and for dates before 1970 and past the end.
TEST(UiParamTime, CachedDatesMatchTheFullConversionAcrossZoneChanges)
{
    const QByteArray old = qgetenv("TZ");
    const bool had = qEnvironmentVariableIsSet("TZ");
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Asia/Shanghai"}) {
        qputenv("TZ", zone);
        tzset();
        CKLineUiParam p;
        const qint64 start = QDateTime(QDate(2024, 3, 1), QTime(0, 0)).toSecsSinceEpoch();
        for (qint64 t = start; t < start + 300LL * 86400; t += 3600)
            p.m_tradeDateList.append(t);
        p.m_tradeDateList.prepend(-ktest::tag(2010, 6, 15));
        const int n = p.m_tradeDateList.size();
        int differing = 0;
        for (int i = -1; i <= n + 1; ++i) {
            QDate d;
            int minute = -1;
            p.getDateByIndex(i, d, minute);
            const QDateTime full = p.getDateTimeByIndex(i);
            differing += d != full.date() || minute != full.time().hour() * 60 + full.time().minute();
        }
        EXPECT_EQ(differing, 0) << zone;
    }
    if (had)
        qputenv("TZ", old);
    else
        qunsetenv("TZ");
    tzset();
}

TEST(UiParamTime, SetOptionWinnerCodes)
{
    CKLineUiParam p;
    p.setOptionWinner(QStringLiteral("SH510050"), QStringLiteral("10001|10002"), 2);
    EXPECT_EQ(p.optionExpectMode, 1);
    EXPECT_EQ(p.winnerType, 2);
    EXPECT_EQ(p.winnerCodes[0], QStringLiteral("10001"));
    EXPECT_EQ(p.winnerCodes[1], QStringLiteral("10002"));

    p.setOptionWinner(QStringLiteral("SH510050"), QStringLiteral("20001"), 3);
    EXPECT_EQ(p.winnerCodes[0], QStringLiteral("10001")); // one part: unchanged
    EXPECT_EQ(p.winnerCodes[1], QStringLiteral("10002"));

    p.setOptionWinner(QStringLiteral("SH510050"), QStringLiteral("30001|30002"), 0);
    EXPECT_EQ(p.winnerCodes[0], QStringLiteral("30001|30002"));

    p.setOptionWinner(QStringLiteral("SH510050"), QStringLiteral("x|y"), 7);
    EXPECT_EQ(p.winnerType, 7);
    EXPECT_EQ(p.winnerCodes[0], QStringLiteral("30001|30002"));
}

TEST(UiParamTime, SetOptionWinnerReadsTheUserSetting)
{
    auto config = std::make_shared<TC::CUserConfig>();
    TC::CWinnerSetting s;
    s.key = QStringLiteral("SH510050");
    s.type = 1;
    s.lowerPrice = 2.5;
    s.expireTimeTag = 1700000000;
    config->setWinnerSetting(s);
    ktest::ScopedUserConfig scoped(config);
    CKLineUiParam p;
    p.setOptionWinner(QStringLiteral("SH510050"), QStringLiteral("1"), 1);
    EXPECT_EQ(p.winnerSetting.expireTimeTag, 1700000000);
    EXPECT_EQ(p.winnerSetting.lowerPrice, 2.5);
}

namespace {
class FixedDataCenter : public qlservice::IDataCenter
{
public:
    std::set<int> dates;
    std::set<int> getDateSet(const std::string&) const override { return dates; }
    bool getWinnerPrices(const std::string&, double&, double&) const override { return false; }
};
} // namespace

TEST(UiParamTime, WinnerExpiryIsLimitedByBarsSettingAndListedDates)
{
    CKLineUiParam p;
    p.m_tradeDateList = ktest::dailyTags(QDate(2024, 3, 1), 10); // last bar 2024-03-10
    p.winnerSetting.expireTimeTag = int(ktest::tag(2024, 3, 5));
    auto* dc = new FixedDataCenter;
    qlservice::TraderCenter::instance()->setDataCenter(dc);

    // No listed dates: the later of (expiry + 1 day) and (last bar + count - size + 1 days).
    p.limitWinnerMaxExpireTimeTag(30);
    EXPECT_EQ(p.maxExpireTimeTag, int(ktest::tag(2024, 3, 31)));
    p.limitWinnerMaxExpireTimeTag(5);
    EXPECT_EQ(p.maxExpireTimeTag, int(ktest::tag(2024, 3, 6)));

    // The latest listed date caps it.
    dc->dates = {20240315, 20240320};
    p.limitWinnerMaxExpireTimeTag(30);
    EXPECT_EQ(p.maxExpireTimeTag, int(ktest::tag(2024, 3, 20)));

    qlservice::TraderCenter::instance()->setDataCenter(nullptr);
}
