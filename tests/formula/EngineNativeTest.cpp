#include <QDateTime>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/market/CMarketStore.h"

using namespace enginetest;

namespace {

TC::CMarketStore* store()
{
    return TC::CMarketStore::instance();
}

QVector<quoter::CBar> lastDayMinutes(const QString& key)
{
    const QVector<quoter::CBar> m = store()->minuteBars(key);
    const QDate last = QDateTime::fromSecsSinceEpoch(m.last().time - 1).date();
    QVector<quoter::CBar> out;
    for (const quoter::CBar& b : m) {
        if (QDateTime::fromSecsSinceEpoch(b.time - 1).date() == last)
            out.append(b);
    }
    return out;
}

} // namespace

TEST(EngineNative, tickDataRunsOverTheLastDaysTicksWithTheirAveragePrice)
{
    const QVector<quoter::CTick> ticks = store()->ticks(QStringLiteral("SH600000"));
    ASSERT_FALSE(ticks.isEmpty());
    TC::CFormulaParam p = param("SH", "600000", "TICKDATA", 0);
    p.requestKind = 2;
    const Computed c = compute(p);
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.meta.names, (std::vector<std::string>{"价格", "成交量", "均价"}));
    EXPECT_EQ(c.meta.styles[0], 101);
    EXPECT_EQ(c.meta.columns, (std::vector<std::vector<int>>{{0}, {1}, {2}}));
    ASSERT_EQ(c.result.barCount(), ticks.size());
    double vol = 0, amount = 0;
    for (int i = 0; i < ticks.size(); ++i) {
        const size_t u = size_t(i);
        vol += ticks[i].volume;
        amount += ticks[i].amount;
        ASSERT_EQ(c.result.times[u].timeMs, ticks[i].timeMs);
        ASSERT_EQ(c.col(0)[u], ticks[i].price);
        ASSERT_EQ(c.col(1)[u], ticks[i].volume);
        ASSERT_NEAR(c.col(2)[u], amount / vol, 1e-9 * ticks[i].price);
    }
    // The average stays inside the day's price range.
    const auto [lo, hi] = std::minmax_element(c.col(0).begin(), c.col(0).end());
    EXPECT_GE(c.col(2).back(), *lo);
    EXPECT_LE(c.col(2).back(), *hi);
}

TEST(EngineNative, tickSeriesOfAnotherPeriodAreTheLastDaysMinuteBars)
{
    const QVector<quoter::CBar> day = lastDayMinutes(QStringLiteral("SH600519"));
    ASSERT_EQ(day.size(), 240);
    const Computed c = compute(param("SH", "600519", "TICKDATA", 86400000));
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.result.barCount(), 240);
    EXPECT_EQ(c.result.times.front().timeMs, day.front().time * 1000);
    EXPECT_EQ(c.col(0).back(), day.back().close);
    const Computed v = compute(param("SH", "600519", "TICKVOL", 60000));
    ASSERT_TRUE(v.ok);
    EXPECT_EQ(v.meta.styles, std::vector<int>{10});
    ASSERT_EQ(v.result.barCount(), 240);
    for (int i = 0; i < 240; ++i)
        ASSERT_EQ(v.col(0)[size_t(i)], day[i].volume);
}

TEST(EngineNative, tickChartOfAnInstrumentWithoutTicksUsesItsMinutes)
{
    // Indexes of the sample carry no ticks.
    QString key;
    for (const QString& k : store()->instrumentKeys()) {
        if (store()->ticks(k).isEmpty() && !store()->minuteBars(k).isEmpty()) {
            key = k;
            break;
        }
    }
    ASSERT_FALSE(key.isEmpty());
    const auto d = store()->instrument(key);
    const Computed c =
        compute(param(QString::fromStdString(d->market), QString::fromStdString(d->code), "TICKVOL", 0));
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.result.barCount(), lastDayMinutes(key).size());
    // A language formula in tick mode runs over the same bars.
    const Computed ma =
        compute(param(QString::fromStdString(d->market), QString::fromStdString(d->code), "MA", 0));
    ASSERT_TRUE(ma.ok);
    EXPECT_EQ(ma.result.barCount(), c.result.barCount());
}

TEST(EngineNative, priceLevelLineIsThePreviousCloseOfEachDay)
{
    const QString key = QStringLiteral("SH600519");
    const Computed m = compute(param("SH", "600519", "价位线", 60000));
    ASSERT_TRUE(m.ok) << m.error.toStdString();
    EXPECT_EQ(m.meta.names, std::vector<std::string>{"价位线"});
    EXPECT_EQ(m.meta.styles, std::vector<int>{102});
    ASSERT_EQ(m.result.values.size(), 1u);
    for (int i = 0; i < m.result.barCount(); ++i) {
        const QDate day = QDateTime::fromMSecsSinceEpoch(m.result.times[size_t(i)].tradeDayMs).date();
        ASSERT_EQ(m.col(0)[size_t(i)], store()->prevClose(key, day)) << i;
    }
    // Day bars of raw prices: the exchange's previous close; the first day has none.
    const Computed d = compute(param("SH", "600519", "价位线"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.col(0).front(), kNoValue);
    const QVector<quoter::CBar> days = store()->dayBars(key);
    for (int i = 1; i < days.size(); ++i) {
        const QDate day = QDateTime::fromSecsSinceEpoch(days[i].time).date();
        ASSERT_EQ(d.col(0)[size_t(i)], store()->prevClose(key, day));
    }
    // Adjusted day bars: the adjusted close of the day before.
    const Computed adj = compute(param("SH", "600519", "价位线", 86400000, 2));
    const QVector<quoter::CBar> adjDays = store()->bars(key, 86400, 2);
    ASSERT_EQ(adj.result.barCount(), adjDays.size());
    for (int i = 1; i < adjDays.size(); ++i)
        ASSERT_EQ(adj.col(0)[size_t(i)], adjDays[i - 1].close);
    // Weeks: the previous week's close.
    const Computed w = compute(param("SH", "600519", "价位线", 604800000));
    const Computed wk = compute(param("SH", "600519", "KLINE", 604800000));
    ASSERT_EQ(w.result.barCount(), wk.result.barCount());
    for (int i = 1; i < w.result.barCount(); ++i)
        ASSERT_EQ(w.col(0)[size_t(i)], wk.col(3)[size_t(i - 1)]);
}
