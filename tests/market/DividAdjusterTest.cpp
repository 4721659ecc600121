#include <cmath>

#include <gtest/gtest.h>

#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CSampleMarketGenerator.h"

using quoter::CBar;
using quoter::DividData;
using TC::CDividAdjuster;

namespace {

CBar bar(const QDate& d, double close)
{
    CBar b;
    b.time = TC::CLocalTimeConverter::dayTag(d);
    b.open = b.high = b.low = b.close = close;
    b.volume = 1000;
    b.amount = 1000 * close;
    return b;
}

DividData event(const QDate& d, double cash, double bonus, double transfer, double rights = 0,
                double price = 0)
{
    DividData e;
    e.time = TC::CLocalTimeConverter::dayTag(d) * 1000;
    e.cashDividend = cash;
    e.bonusShares = bonus;
    e.transferShares = transfer;
    e.rightsShares = rights;
    e.rightsPrice = price;
    return e;
}

int indexOfDay(const QVector<CBar>& bars, qint64 tag)
{
    for (int i = 0; i < bars.size(); ++i)
        if (bars[i].time == tag)
            return i;
    return -1;
}

} // namespace

TEST(DividAdjuster, namesOfTheTypes)
{
    EXPECT_EQ(TC::getDrName(0), QStringLiteral("不复权"));
    EXPECT_EQ(TC::getDrName(1), QStringLiteral("前复权"));
    EXPECT_EQ(TC::getDrName(2), QStringLiteral("后复权"));
    EXPECT_EQ(TC::getDrName(3), QStringLiteral("等比前复权"));
    EXPECT_EQ(TC::getDrName(4), QStringLiteral("等比后复权"));
    EXPECT_TRUE(TC::getDrName(5).isEmpty());
    EXPECT_TRUE(TC::getDrName(-1).isEmpty());
}

TEST(DividAdjuster, textbookExample)
{
    // 10 送3 转2 派5, then 10 配3 at 8.00.
    const QVector<CBar> bars{bar(QDate(2020, 6, 1), 20.0), bar(QDate(2020, 6, 2), 13.0),
                             bar(QDate(2021, 6, 1), 11.0), bar(QDate(2021, 6, 2), 10.4)};
    const QVector<DividData> ev{event(QDate(2020, 6, 2), 0.5, 0.3, 0.2),
                                event(QDate(2021, 6, 2), 0, 0, 0, 0.3, 8.0)};
    const double x1 = (20.0 - 0.5) / 1.5; // 13.0
    EXPECT_DOUBLE_EQ(CDividAdjuster::exRightsPrice(20.0, ev[0]), x1);
    const double x2 = (11.0 + 0.3 * 8.0) / 1.3;
    EXPECT_DOUBLE_EQ(CDividAdjuster::exRightsPrice(11.0, ev[1]), x2);

    const QVector<CBar> fwd = CDividAdjuster::adjust(bars, ev, bars, TC::DrForward);
    EXPECT_DOUBLE_EQ(fwd[3].close, 10.4);
    EXPECT_DOUBLE_EQ(fwd[2].close, x2);
    EXPECT_DOUBLE_EQ(fwd[1].close, (13.0 + 0.3 * 8.0) / 1.3);
    EXPECT_DOUBLE_EQ(fwd[0].close, (x1 + 0.3 * 8.0) / 1.3);

    const QVector<CBar> back = CDividAdjuster::adjust(bars, ev, bars, TC::DrBackward);
    EXPECT_DOUBLE_EQ(back[0].close, 20.0);
    EXPECT_DOUBLE_EQ(back[1].close, 13.0 * 1.5 + 0.5);
    EXPECT_DOUBLE_EQ(back[3].close, (10.4 * 1.3 - 0.3 * 8.0) * 1.5 + 0.5);
    // Backward restates later prices on the first day's basis: no jump at the ex-dates.
    EXPECT_DOUBLE_EQ(back[1].close, 20.0);

    const QVector<CBar> pf = CDividAdjuster::adjust(bars, ev, bars, TC::DrProportionalForward);
    const QVector<CBar> pb = CDividAdjuster::adjust(bars, ev, bars, TC::DrProportionalBackward);
    EXPECT_DOUBLE_EQ(pf[0].close, 20.0 * (x1 / 20.0) * (x2 / 11.0));
    EXPECT_DOUBLE_EQ(pb[3].close, 10.4 / (x1 / 20.0) / (x2 / 11.0));
    // Same-segment ratios kept.
    EXPECT_DOUBLE_EQ(pf[1].close / pf[2].close, 13.0 / 11.0);
    EXPECT_DOUBLE_EQ(pb[1].close / pb[2].close, 13.0 / 11.0);
    // The proportional forward series equals the proportional backward one times a constant.
    EXPECT_NEAR(pf[0].close / pb[0].close, pf[3].close / pb[3].close, 1e-12);

    EXPECT_EQ(CDividAdjuster::adjust(bars, ev, bars, TC::DrNone), bars);
    EXPECT_EQ(CDividAdjuster::adjust(bars, {}, bars, TC::DrForward), bars);
    EXPECT_EQ(CDividAdjuster::adjust(bars, ev, bars, 9), bars);
}

TEST(DividAdjuster, previousCloseOfAnExDateIsTheReferencePrice)
{
    const QVector<CBar> bars{bar(QDate(2020, 6, 1), 20.0), bar(QDate(2020, 6, 3), 13.0)};
    const QVector<DividData> ev{event(QDate(2020, 6, 2), 0.5, 0.3, 0.2)};
    // Ex-date on a day without a bar (suspended): the next bar is still measured against it.
    EXPECT_DOUBLE_EQ(CDividAdjuster::previousClose(bars, ev, bars[1].time, 0.01), 13.0);
    EXPECT_DOUBLE_EQ(CDividAdjuster::previousClose(bars, {}, bars[1].time, 0.01), 20.0);
    EXPECT_EQ(CDividAdjuster::previousClose(bars, ev, bars[0].time, 0.01), 1.7976931348623157e308);
    const QVector<CBar> fwd = CDividAdjuster::adjust(bars, ev, bars, TC::DrForward);
    EXPECT_DOUBLE_EQ(fwd[0].close, 13.0);
}

TEST(DividAdjuster, sampleStockIsContinuousWhenForwardAdjusted)
{
    TC::CMarketStore* store = TC::CMarketStore::instance();
    const QString key = QLatin1String(TC::CSampleMarketGenerator::exRightsStock());
    const QVector<DividData> ev = store->dividData(key);
    ASSERT_GE(ev.size(), 8);
    bool cash = false, bonus = false, transfer = false, rights = false, reform = false;
    for (const DividData& e : ev) {
        cash = cash || e.cashDividend > 0;
        bonus = bonus || e.bonusShares > 0;
        transfer = transfer || e.transferShares > 0;
        rights = rights || (e.rightsShares > 0 && e.rightsPrice > 0);
        reform = reform || e.shareReform != 0;
    }
    EXPECT_TRUE(cash && bonus && transfer && rights && reform);

    const QVector<CBar> raw = store->bars(key, 86400, TC::DrNone);
    EXPECT_EQ(raw, store->dayBars(key));
    const QVector<CBar> fwd = store->bars(key, 86400, TC::DrForward);
    const QVector<CBar> back = store->bars(key, 86400, TC::DrBackward);
    const QVector<CBar> pf = store->bars(key, 86400, TC::DrProportionalForward);
    const QVector<CBar> pb = store->bars(key, 86400, TC::DrProportionalBackward);
    ASSERT_EQ(fwd.size(), raw.size());
    // The last day is untouched by forward types, the first by backward types.
    EXPECT_EQ(fwd.last(), raw.last());
    EXPECT_EQ(pf.last(), raw.last());
    EXPECT_EQ(back.first(), raw.first());
    EXPECT_EQ(pb.first(), raw.first());

    for (const DividData& e : ev) {
        const int i = indexOfDay(raw, e.time / 1000);
        ASSERT_GT(i, 0);
        const double prev = raw[i - 1].close;
        const double ref = CDividAdjuster::exRightsPrice(prev, e);
        // The raw price gaps at the ex-date when shares are added or a large dividend is paid.
        if (e.bonusShares + e.transferShares >= 0.3) {
            EXPECT_LT(raw[i].open, prev * 0.85) << i;
        }
        // Forward-adjusted, the day before is carried to the reference price
        // (exactly so for the last event, whose later prices are raw).
        if (&e == &ev.last()) {
            EXPECT_NEAR(fwd[i - 1].close, ref, 1e-9);
        }
        const double fwdGap = std::fabs(fwd[i].open / fwd[i - 1].close - 1.0);
        EXPECT_LT(fwdGap, 0.1) << i;
        EXPECT_NEAR(std::fabs(pf[i].open / pf[i - 1].close - 1.0), std::fabs(raw[i].open / ref - 1.0), 1e-9);
        EXPECT_NEAR(std::fabs(pb[i].open / pb[i - 1].close - 1.0), std::fabs(raw[i].open / ref - 1.0), 1e-9);
        // The exchange's previous close of the ex-date is the rounded reference price.
        EXPECT_DOUBLE_EQ(store->prevClose(key, TC::CLocalTimeConverter::dateOf(e.time / 1000)),
                         CDividAdjuster::roundToTick(ref, 0.01));
    }
    // Proportional types keep the ratio of any two prices.
    EXPECT_NEAR(pf[10].close / pf[2000].close, pb[10].close / pb[2000].close, 1e-9);
    EXPECT_NEAR(pf[10].high / pf[10].low, raw[10].high / raw[10].low, 1e-12);
    // Volumes are left as traded.
    EXPECT_EQ(fwd[10].volume, raw[10].volume);
    // Minute bars after the last event are not adjusted by forward types.
    EXPECT_EQ(store->bars(key, 60, TC::DrForward), store->minuteBars(key));
    EXPECT_NE(store->bars(key, 60, TC::DrBackward), store->minuteBars(key));
    // An unknown type is treated as none.
    EXPECT_EQ(store->bars(key, 86400, 7), raw);
}
