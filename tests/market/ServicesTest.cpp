#include <limits>

#include <QDateTime>

#include <gtest/gtest.h>

#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "platform/market/TraderCenter.h"

namespace {

constexpr double kNone = std::numeric_limits<double>::max();

class FixedDataCenter : public qlservice::IDataCenter
{
public:
    explicit FixedDataCenter(int* destroyed) : m_destroyed(destroyed) {}
    ~FixedDataCenter() override { ++*m_destroyed; }
    std::set<int> getDateSet(const std::string&) const override { return {20300101}; }
    bool getWinnerPrices(const std::string&, double& lower, double& upper) const override
    {
        lower = 1;
        upper = 2;
        return true;
    }

private:
    int* m_destroyed;
};

} // namespace

TEST(InstrumentAccess, readsTheRecordAndToleratesNull)
{
    const auto d = TC::CStockManager::getInstrumentDetail(QStringLiteral("SH600519"));
    ASSERT_TRUE(d);
    EXPECT_EQ(TC::getDetailQsKey(d), QStringLiteral("SH600519"));
    EXPECT_EQ(TC::getDetailQsCode(d), QStringLiteral("600519"));
    EXPECT_EQ(TC::getDetailQsMarket(d), QStringLiteral("SH"));
    EXPECT_EQ(TC::getDetailQsName(d), QStringLiteral("贵州茅台"));
    EXPECT_EQ(TC::getDetailKey(d), "SH600519");
    EXPECT_EQ(TC::getDetailCode(d), "600519");
    EXPECT_EQ(TC::getDetailMarket(d), "SH");
    EXPECT_EQ(TC::getDetailPriceTick(d), 0.01);
    EXPECT_GT(TC::getDetailLastClose(d), 0);

    const std::shared_ptr<qlservice::CInstrumentDetail> none;
    EXPECT_TRUE(TC::getDetailQsKey(none).isEmpty());
    EXPECT_TRUE(TC::getDetailQsCode(none).isEmpty());
    EXPECT_TRUE(TC::getDetailQsMarket(none).isEmpty());
    EXPECT_TRUE(TC::getDetailQsName(none).isEmpty());
    EXPECT_TRUE(TC::getDetailKey(none).empty());
    EXPECT_TRUE(TC::getDetailCode(none).empty());
    EXPECT_TRUE(TC::getDetailMarket(none).empty());
    EXPECT_EQ(TC::getDetailLastClose(none), kNone);
    EXPECT_EQ(TC::getDetailPriceTick(none), kNone);
    EXPECT_FALSE(TC::CStockManager::getInstrumentDetail(QStringLiteral("sh600519"))); // keys are exact
}

TEST(StockManager, calendarAndPreviousClose)
{
    const int last = TC::CStockManager::getLastTradingDay(QStringLiteral("SZ"));
    EXPECT_EQ(TC::CLocalTimeConverter::dateOf(last), QDate(2026, 11, 27));
    EXPECT_EQ(TC::CStockManager::getLastTradingDay(QStringLiteral("NOPE")), 0);
    QVector<qint64> dates{1, 2};
    EXPECT_FALSE(TC::CStockManager::getTradeDateList(QStringLiteral("NOPE"), dates));
    EXPECT_TRUE(dates.isEmpty());
    ASSERT_TRUE(TC::CStockManager::getTradeDateList(QStringLiteral("SF"), dates));
    EXPECT_EQ(dates.last(), last);

    const QString key = QStringLiteral("SH600000");
    const QVector<quoter::CBar> days = TC::CMarketStore::instance()->dayBars(key);
    EXPECT_EQ(TC::CStockManager::getCurrentDateLastClose(key, int(days.last().time)),
              days[days.size() - 2].close);
    EXPECT_EQ(TC::CStockManager::getCurrentDateLastClose(key, int(days[100].time)), days[99].close);
    EXPECT_EQ(TC::CStockManager::getCurrentDateLastClose(QStringLiteral("NOPE"), last), kNone);
    EXPECT_EQ(TC::CStockManager::getCurrentDateLastClose(key, 0), kNone);
}

TEST(StockManager, sessionBoundsOfTheDay)
{
    const int day = int(TC::CLocalTimeConverter::dayTag(QDate(2026, 11, 27)));
    const QPair<qint64, qint64> stock = TC::CStockManager::getStartEndTime(QStringLiteral("SH600519"), day);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(stock.first), QDateTime(QDate(2026, 11, 27), QTime(9, 30)));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(stock.second), QDateTime(QDate(2026, 11, 27), QTime(15, 0)));
    const QPair<qint64, qint64> fut = TC::CStockManager::getStartEndTime(QStringLiteral("SFrb888"), day);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(fut.first).time(), QTime(9, 0));
    const QPair<qint64, qint64> us = TC::CStockManager::getStartEndTime(QStringLiteral("USSPX"), day);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(us.second).time(), QTime(16, 0));
    EXPECT_EQ(TC::CStockManager::getStartEndTime(QStringLiteral("NOPE"), day), (QPair<qint64, qint64>(0, 0)));
}

TEST(SectorManager, sectorsAndBondsBothWays)
{
    const QString stock = QStringLiteral("SH600000");
    for (int level = 1; level <= 3; ++level) {
        const QString sector = TC::CSectorManager::getSWSectorByStock(stock, level);
        EXPECT_FALSE(sector.isEmpty());
        const QString code = TC::CSectorManager::getBkzsCodeByName(sector);
        EXPECT_TRUE(code.startsWith(QLatin1String("BKZS")));
        EXPECT_TRUE(se::isIndexEx(QStringLiteral("BKZS"), code.mid(4)));
    }
    EXPECT_EQ(TC::CSectorManager::getSWSectorByStock(stock, 1), QStringLiteral("申万银行"));
    EXPECT_TRUE(TC::CSectorManager::getSWSectorByStock(stock, 0).isEmpty());
    EXPECT_TRUE(TC::CSectorManager::getSWSectorByStock(QStringLiteral("NOPE"), 1).isEmpty());
    EXPECT_TRUE(TC::CSectorManager::getBkzsCodeByName(QString()).isEmpty());

    EXPECT_EQ(TC::CSectorManager::getConvertibleCodeByStock(stock),
              QSet<QString>{QStringLiteral("SH110059")});
    EXPECT_TRUE(TC::CSectorManager::getConvertibleCodeByStock(QStringLiteral("SH600519")).isEmpty());
    EXPECT_EQ(kelv::getStockConvertibleBond("SH", "600000"), "110059");
    EXPECT_EQ(kelv::getStockConvertibleBond("SH", "600519"), "");
    EXPECT_EQ(kelv::getStockConvertibleBond("", ""), "");
    // From the bond back to its stock.
    const auto bond = TC::CStockManager::getInstrumentDetail(QStringLiteral("SH110059"));
    EXPECT_EQ(bond->market + bond->underlyingCode, "SH600000");
    EXPECT_TRUE(qlservice::StockTypeCenter::isTypedStock(std::string("SH"), std::string("110059"), 10019));
    EXPECT_FALSE(qlservice::StockTypeCenter::isTypedStock(std::string("SH"), std::string("110059"), 135));
}

TEST(StockTypeCenter, typesAndIndexes)
{
    EXPECT_TRUE(
        qlservice::StockTypeCenter::isTypedStock(QStringLiteral("SH"), QStringLiteral("600519"), 100001));
    EXPECT_FALSE(
        qlservice::StockTypeCenter::isTypedStock(QStringLiteral("SH"), QStringLiteral("000001"), 100001));
    EXPECT_TRUE(
        qlservice::StockTypeCenter::isTypedStock(QStringLiteral("SH"), QStringLiteral("000001"), 100012));
    EXPECT_FALSE(qlservice::StockTypeCenter::isTypedStock(QStringLiteral("SH"), QStringLiteral("999999"), 0));

    EXPECT_TRUE(se::isIndexEx(QStringLiteral("SH"), QStringLiteral("000001")));
    EXPECT_TRUE(se::isIndexEx(std::string("SZ"), std::string("399001")));
    EXPECT_TRUE(se::isIndexEx(QStringLiteral("BKZS"), QStringLiteral("801780")));
    EXPECT_FALSE(se::isIndexEx(QStringLiteral("SH"), QStringLiteral("600519")));
    EXPECT_FALSE(se::isIndexEx(QStringLiteral("SH"), QStringLiteral("110059")));
    EXPECT_FALSE(se::isIndexEx(QStringLiteral("SH"), QStringLiteral("")));
    EXPECT_FALSE(se::isIndexEx(QStringLiteral("BKZS"), QStringLiteral("")));
}

TEST(TraderCenter, optionDatesAndWinnerPricesForIndexes)
{
    qlservice::IDataCenter* dc = qlservice::TraderCenter::instance()->getDataCenter();
    ASSERT_TRUE(dc);
    const std::set<int> dates = dc->getDateSet("SH000001");
    // Fourth Wednesdays after 2026-11-27.
    EXPECT_EQ(dates, (std::set<int>{20261223, 20270127, 20270224, 20270324}));
    double lower = 0, upper = 0;
    ASSERT_TRUE(dc->getWinnerPrices("SH000001", lower, upper));
    const double lastClose = TC::CStockManager::getInstrumentDetail(QStringLiteral("SH000001"))->lastClose;
    EXPECT_NEAR(lower, lastClose * 0.95, 0.006);
    EXPECT_NEAR(upper, lastClose * 1.05, 0.006);
    EXPECT_TRUE(dc->getDateSet("SH600519").empty());
    EXPECT_FALSE(dc->getWinnerPrices("SH600519", lower, upper));
    EXPECT_TRUE(dc->getDateSet("NOPE").empty());
    EXPECT_FALSE(dc->getWinnerPrices("", lower, upper));

    int destroyed = 0;
    qlservice::TraderCenter::instance()->setDataCenter(new FixedDataCenter(&destroyed));
    EXPECT_EQ(qlservice::TraderCenter::instance()->getDataCenter()->getDateSet("X"), std::set<int>{20300101});
    qlservice::TraderCenter::instance()->setDataCenter(nullptr);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(qlservice::TraderCenter::instance()->getDataCenter()->getDateSet("SH000001"), dates);
}

TEST(MarketStoreUpdates, appendAndCoverMinuteBarsKeepTheDayBar)
{
    TC::CMarketStore s(TC::CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
    const QString key = QStringLiteral("SH600519");
    const QVector<quoter::CBar> before = s.dayBars(key);
    // A new trading day: Monday 2026-11-30.
    EXPECT_FALSE(s.setToday(QDate(2026, 11, 28))); // Saturday
    EXPECT_FALSE(s.setToday(QDate(2026, 11, 20))); // earlier
    ASSERT_TRUE(s.setToday(QDate(2026, 11, 30)));
    EXPECT_EQ(s.today(), QDate(2026, 11, 30));
    EXPECT_EQ(TC::CLocalTimeConverter::dateOf(s.lastTradingDay(QStringLiteral("SH"))), QDate(2026, 11, 30));
    const auto d = s.instrument(key);
    EXPECT_EQ(d->lastClose, before.last().close);
    EXPECT_DOUBLE_EQ(d->upperLimitPrice, TC::CDividAdjuster::roundToTick(before.last().close * 1.1, 0.01));

    const double p = before.last().close;
    quoter::CBar bar;
    bar.time = QDateTime(QDate(2026, 11, 30), QTime(9, 31)).toSecsSinceEpoch();
    bar.open = p;
    bar.high = p + 1;
    bar.low = p - 1;
    bar.close = p + 0.5;
    bar.volume = 1000;
    bar.amount = 1000 * p;
    ASSERT_TRUE(s.appendMinuteBar(key, bar));
    EXPECT_EQ(s.dayBars(key).size(), before.size() + 1);
    EXPECT_EQ(s.dayBars(key).last().time, TC::CLocalTimeConverter::dayTag(QDate(2026, 11, 30)));
    EXPECT_FALSE(s.appendMinuteBar(key, bar)); // not later

    quoter::CBar second = bar;
    second.time += 60;
    second.open = bar.close;
    second.high = p + 3;
    second.low = p;
    second.close = p + 2;
    ASSERT_TRUE(s.appendMinuteBar(key, second));
    EXPECT_EQ(s.dayBars(key).last().high, p + 3);
    // Covering the last minute with a smaller range shrinks the day's high back.
    quoter::CBar cover = second;
    cover.high = p + 1.5;
    cover.close = p + 1.2;
    ASSERT_TRUE(s.updateLastMinuteBar(key, cover));
    quoter::CBar day = s.dayBars(key).last();
    EXPECT_EQ(day.open, p);
    EXPECT_EQ(day.high, p + 1.5);
    EXPECT_EQ(day.low, p - 1);
    EXPECT_EQ(day.close, p + 1.2);
    EXPECT_EQ(day.volume, 2000);
    EXPECT_EQ(s.bars(key, 86400, 0).last(), day);
    EXPECT_EQ(s.bars(key, 300, 0).last().close, p + 1.2);

    quoter::CBar wrongTime = cover;
    wrongTime.time += 60;
    EXPECT_FALSE(s.updateLastMinuteBar(key, wrongTime));
    quoter::CBar broken = cover;
    broken.low = broken.high + 1;
    EXPECT_FALSE(s.updateLastMinuteBar(key, broken));
    EXPECT_FALSE(s.appendMinuteBar(QStringLiteral("NOPE"), second));
    EXPECT_EQ(s.minuteBars(key).last(), cover);

    quoter::CTick t{cover.time * 1000, cover.close, 100, 100 * cover.close};
    EXPECT_TRUE(s.appendTick(key, t));
    t.timeMs -= 5000;
    EXPECT_FALSE(s.appendTick(key, t));
}

TEST(MarketStoreUpdates, coveringWithoutMergeRecordRebuildsTheDay)
{
    TC::CMarketStore s(TC::CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
    const QString key = QStringLiteral("SZ399001");
    const quoter::CBar day = s.dayBars(key).last();
    quoter::CBar last = s.minuteBars(key).last();
    last.high = day.high + 100;
    last.close = last.low;
    ASSERT_TRUE(s.updateLastMinuteBar(key, last));
    EXPECT_EQ(s.dayBars(key).last().high, day.high + 100);
    EXPECT_EQ(s.dayBars(key).last().close, last.low);
    EXPECT_EQ(s.dayBars(key).last().open, day.open);
    EXPECT_EQ(s.dayBars(key).last().volume, day.volume);
    EXPECT_EQ(s.dayBars(key).size(), s.tradeDates(QStringLiteral("SZ")).size());
}

TEST(MarketStoreUpdates, addInstrumentRefusesBadBars)
{
    TC::CMarketStore s(1, QDate(2024, 3, 29), false);
    qlservice::CInstrumentDetail d;
    d.market = "XT";
    d.code = "A";
    quoter::CBar b;
    b.time = TC::CLocalTimeConverter::dayTag(QDate(2024, 3, 1));
    b.open = b.high = b.low = b.close = 10;
    quoter::CBar c = b;
    EXPECT_FALSE(s.addInstrument(d, {b, c}, {})); // same time twice
    c.time = TC::CLocalTimeConverter::dayTag(QDate(2024, 3, 4));
    c.low = 11;
    EXPECT_FALSE(s.addInstrument(d, {b, c}, {}));
    c.low = 9;
    c.volume = -1;
    EXPECT_FALSE(s.addInstrument(d, {b, c}, {}));
    EXPECT_FALSE(s.hasInstrument(QStringLiteral("XTA")));
    c.volume = 1;
    EXPECT_TRUE(s.addInstrument(d, {b, c}, {}));
    EXPECT_TRUE(s.hasInstrument(QStringLiteral("XTA")));
    qlservice::CInstrumentDetail noMarket;
    EXPECT_FALSE(s.addInstrument(noMarket, {b}, {}));
}
