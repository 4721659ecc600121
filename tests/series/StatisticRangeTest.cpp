// Statistics of a bar range: sums, extremes with their first occurrence,
// change, turnover and the cases without a value, checked against values
// recomputed here from the bars.
#include <algorithm>
#include <cfloat>
#include <numeric>

#include <gtest/gtest.h>

#include "SeriesTestSupport.h"

namespace {

struct Bar {
    double open, high, low, close, volume, amount;
    int flag;
};

// A series whose results the test writes directly.
class CStatSeries : public TC::CKLineData
{
public:
    using TC::CKLineData::CKLineData;
    void put(const QString& formula, const TC::RPCFormulaResultCache& cache)
    {
        m_data.insert(TC::CFormulaKey(QStringLiteral("SH600519"), formula), cache);
    }
};

TC::RPCFormulaResultCache klineCache(const std::vector<Bar>& bars, int priceColumns = 4)
{
    se::RPCFormulaMetaResult meta;
    meta.names = {"KLINE", "成交量", "成交额"};
    meta.styles = {12, -1, -1};
    std::vector<int> price;
    for (int c = 0; c < priceColumns; ++c)
        price.push_back(c);
    meta.columns = {price, {priceColumns}, {priceColumns + 1}};
    se::RPCFormulaResult r;
    r.values.assign(size_t(priceColumns + 2), {});
    for (int c = 0; c < priceColumns + 2; ++c)
        r.columnMap[c] = c;
    for (size_t i = 0; i < bars.size(); ++i) {
        const Bar& b = bars[i];
        const double v[] = {b.open, b.high, b.low, b.close};
        for (int c = 0; c < priceColumns; ++c)
            r.values[size_t(c)].push_back(v[c]);
        r.values[size_t(priceColumns)].push_back(b.volume);
        r.values[size_t(priceColumns + 1)].push_back(b.amount);
        r.times.push_back({qint64(1700000000 + 86400 * qint64(i)) * 1000, 0});
        r.barFlags.push_back(b.flag);
    }
    return TC::RPCFormulaResultCache(meta, r);
}

QString f2(double v)
{
    return QString::number(v, 'f', 2);
}
QString pct(double v)
{
    return QString::number(v * 100.0, 'f', 2) + QLatin1Char('%');
}

class StatisticRange : public ::testing::Test
{
protected:
    StatisticRange() : chart("SH600519")
    {
        auto detail = std::make_shared<qlservice::CInstrumentDetail>(*chart.ui->curStock);
        detail->circulatingShares = 250000.0;
        chart.ui->curStock = detail;
        series = boost::shared_ptr<CStatSeries>(new CStatSeries(chart.ui, 0, nullptr));
    }
    stest::CChart chart;
    boost::shared_ptr<CStatSeries> series;
    // Highs tie on bars 1 and 2, lows on bars 3 and 4; bar 5 holds no data.
    const std::vector<Bar> bars = {
        {10.0, 11.0, 9.5, 10.5, 100, 1050, 1},  {10.5, 12.0, 10.0, 11.8, 200, 2300, 1},
        {11.8, 12.0, 11.0, 11.2, 150, 1700, 1}, {11.2, 11.5, 9.0, 9.4, 300, 3000, 1},
        {9.4, 10.0, 9.0, 9.9, 120, 1150, 1},    {99.0, 200.0, 1.0, 50.0, 9999, 99999, 0},
        {9.9, 10.2, 9.6, 10.0, 80, 800, 1},     {10.0, 10.5, 9.8, 10.3, 90, 920, 1}};
};

TEST_F(StatisticRange, MatchesAnIndependentComputation)
{
    series->put(QStringLiteral("KLINE"), klineCache(bars));
    const int first = 1;
    const int last = 7;
    const QMap<int, QString> s = series->statisticRange(first, last);
    ASSERT_EQ(s.size(), 26);

    std::vector<Bar> in;
    std::vector<int> index;
    for (int i = first; i <= last; ++i)
        if (bars[size_t(i)].flag) {
            in.push_back(bars[size_t(i)]);
            index.push_back(i);
        }
    auto hi =
        std::max_element(in.begin(), in.end(), [](const Bar& a, const Bar& b) { return a.high < b.high; });
    auto lo =
        std::min_element(in.begin(), in.end(), [](const Bar& a, const Bar& b) { return a.low < b.low; });
    const double volume =
        std::accumulate(in.begin(), in.end(), 0.0, [](double t, const Bar& b) { return t + b.volume; });
    const double amount =
        std::accumulate(in.begin(), in.end(), 0.0, [](double t, const Bar& b) { return t + b.amount; });
    const double closes =
        std::accumulate(in.begin(), in.end(), 0.0, [](double t, const Bar& b) { return t + b.close; });
    double upVol = 0, downVol = 0, upClose = 0, downClose = 0;
    int up = 0, down = 0;
    for (const Bar& b : in) {
        if (b.close < b.open) {
            downVol += b.volume;
            downClose += b.close;
            ++down;
        } else {
            upVol += b.volume;
            upClose += b.close;
            ++up;
        }
    }
    const double reference = bars[0].close;
    const double lastClose = bars[7].close;
    const int count = last - first + 1;

    EXPECT_EQ(s[0], f2(reference));
    EXPECT_EQ(s[1], f2(bars[1].open));
    EXPECT_EQ(s[2], f2(12.0));
    EXPECT_EQ(s[3], f2(9.0));
    EXPECT_EQ(s[4], f2(lastClose));
    EXPECT_EQ(s[5], QString::number(volume, 'f', 0));
    EXPECT_EQ(s[6], f2(amount / 10000.0));
    EXPECT_EQ(s[7], QString::number(upVol, 'f', 0));
    EXPECT_EQ(s[8], QString::number(downVol, 'f', 0));
    EXPECT_EQ(s[9], f2(upClose / up));
    EXPECT_EQ(s[10], f2(downClose / down));
    EXPECT_EQ(s[11], f2(hi->high - lo->low));
    EXPECT_EQ(s[12], pct((lastClose - reference) / reference));
    // Volumes are shares: trading the whole float once is 100%.
    EXPECT_EQ(s[13], pct(volume / 250000.0));
    EXPECT_EQ(s[14], f2(lastClose - reference));
    EXPECT_EQ(s[16], f2(closes / count));
    EXPECT_EQ(s[18], QString::number(volume / count, 'f', 0));
    EXPECT_EQ(s[19], f2(amount / count / 10000.0));
    EXPECT_EQ(s[22], QString::number(up));
    EXPECT_EQ(s[23], QString::number(down));
    // First occurrences: the high of bar 1 (not 2), the low of bar 3 (not 4).
    const int hiBar = index[size_t(hi - in.begin())];
    const int loBar = index[size_t(lo - in.begin())];
    ASSERT_EQ(hiBar, 1);
    ASSERT_EQ(loBar, 3);
    EXPECT_EQ(s[24], QString::number(std::abs(hiBar - loBar)));
    for (int key : {15, 17, 20, 21, 25})
        EXPECT_TRUE(s[key].isEmpty()) << key;
}

TEST_F(StatisticRange, EdgesOfTheRangeAndTheSeries)
{
    std::vector<Bar> all = bars;
    for (Bar& b : all)
        b.flag = 1;
    series->put(QStringLiteral("KLINE"), klineCache(all));
    // From bar 0 the reference is bar 0's own close.
    EXPECT_EQ(series->statisticRange(0, 2)[0], f2(all[0].close));
    EXPECT_EQ(series->statisticRange(0, 2)[14], f2(all[2].close - all[0].close));
    // A last bar beyond the series stops at its end; the count still spans the request.
    const QMap<int, QString> tail = series->statisticRange(6, 20);
    EXPECT_EQ(tail[4], f2(all[7].close));
    EXPECT_EQ(tail[5], QString::number(all[6].volume + all[7].volume, 'f', 0));
    EXPECT_EQ(tail[18], QString::number((all[6].volume + all[7].volume) / 15.0, 'f', 0));
    // Ranges that hold no bar give nothing.
    EXPECT_TRUE(series->statisticRange(8, 9).isEmpty());
    EXPECT_TRUE(series->statisticRange(-1, 3).isEmpty());
    EXPECT_TRUE(series->statisticRange(4, 3).isEmpty());
}

TEST_F(StatisticRange, OnlyFallingBarsLeaveTheRisingMeanInvalid)
{
    const std::vector<Bar> falling = {
        {10, 10, 9, 9.5, 10, 95, 1}, {9.5, 9.6, 9, 9.1, 20, 182, 1}, {9.1, 9.2, 8, 8.5, 30, 255, 1}};
    series->put(QStringLiteral("KLINE"), klineCache(falling));
    const QMap<int, QString> s = series->statisticRange(0, 2);
    EXPECT_EQ(s[9], QStringLiteral("非法值"));
    EXPECT_EQ(s[22], QStringLiteral("0"));
    EXPECT_EQ(s[7], QStringLiteral("0"));
    EXPECT_EQ(s[23], QStringLiteral("3"));
    EXPECT_EQ(s[10], f2((9.5 + 9.1 + 8.5) / 3.0));
}

TEST_F(StatisticRange, TurnoverIsZeroWithoutShares)
{
    series->put(QStringLiteral("KLINE"), klineCache({{10, 11, 9, 10.5, 500, 5000, 1}}));
    for (double shares : {0.0, 1e-7, DBL_MAX}) {
        auto detail = std::make_shared<qlservice::CInstrumentDetail>(*chart.ui->curStock);
        detail->circulatingShares = shares;
        chart.ui->curStock = detail;
        EXPECT_EQ(series->statisticRange(0, 0)[13], QStringLiteral("0.00%")) << shares;
    }
    chart.ui->curStock.reset();
    EXPECT_EQ(series->statisticRange(0, 0)[13], QStringLiteral("0.00%"));
}

TEST_F(StatisticRange, NoPriceSeriesOrNotFourColumnsGivesNothing)
{
    EXPECT_TRUE(series->statisticRange(0, 1).isEmpty());
    series->put(QStringLiteral("MA"), klineCache(bars));
    EXPECT_TRUE(series->statisticRange(0, 1).isEmpty());
    series->put(QStringLiteral("KLINE"), klineCache(bars, 3));
    EXPECT_TRUE(series->statisticRange(0, 1).isEmpty());
}

TEST_F(StatisticRange, TickChartComparesEachPriceWithThePreviousOne)
{
    chart.ui->tickGraph = true;
    se::RPCFormulaMetaResult meta;
    meta.names = {"价格", "成交量", "均价"};
    meta.styles = {101, -1, 0};
    meta.columns = {{0}, {1}, {2}};
    se::RPCFormulaResult r;
    const std::vector<double> prices = {10.0, 10.2, 10.1, 10.1, 10.4};
    const std::vector<double> volumes = {5, 7, 3, 4, 6};
    r.values = {prices, volumes, std::vector<double>(prices.size(), 10.0)};
    r.columnMap = {{0, 0}, {1, 1}, {2, 2}};
    for (size_t i = 0; i < prices.size(); ++i) {
        r.times.push_back({qint64(1700000000 + 60 * qint64(i)) * 1000, 0});
        r.barFlags.push_back(1);
    }
    series->put(QStringLiteral("TICKDATA"), TC::RPCFormulaResultCache(meta, r));
    const QMap<int, QString> s = series->statisticRange(1, 4);
    // Reference 10.0; 10.2 rises, 10.1 falls, 10.1 (equal) rises, 10.4 rises.
    EXPECT_EQ(s[0], f2(10.0));
    EXPECT_EQ(s[1], f2(10.2));
    EXPECT_EQ(s[2], f2(10.4));
    EXPECT_EQ(s[3], f2(10.1));
    EXPECT_EQ(s[22], QStringLiteral("3"));
    EXPECT_EQ(s[23], QStringLiteral("1"));
    EXPECT_EQ(s[8], QStringLiteral("3"));
    EXPECT_EQ(s[6], f2((7 * 10.2 + 3 * 10.1 + 4 * 10.1 + 6 * 10.4) / 10000.0));
    // Lowest 10.1 first at bar 2, highest at bar 4.
    EXPECT_EQ(s[24], QStringLiteral("2"));
}

} // namespace
