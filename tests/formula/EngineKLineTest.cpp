#include <functional>
#include <map>

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

using namespace enginetest;
using quoter::CBar;

namespace {

// Independent aggregation: consecutive bars with the same bucket merge into
// one bar labelled by the last of them.
QVector<CBar> aggregate(const QVector<CBar>& bars, const std::function<qint64(const CBar&)>& bucketOf)
{
    QVector<CBar> out;
    qint64 current = 0;
    for (const CBar& b : bars) {
        const qint64 k = bucketOf(b);
        if (out.isEmpty() || k != current) {
            out.append(b);
            current = k;
            continue;
        }
        CBar& e = out.last();
        e.high = std::max(e.high, b.high);
        e.low = std::min(e.low, b.low);
        e.close = b.close;
        e.volume += b.volume;
        e.amount += b.amount;
        e.time = b.time;
    }
    return out;
}

TC::CMarketStore* store()
{
    return TC::CMarketStore::instance();
}

void expectKLineEquals(const Computed& c, const QVector<CBar>& bars, const std::string& what)
{
    ASSERT_TRUE(c.ok) << what << ' ' << c.error.toStdString();
    ASSERT_EQ(c.meta.outputCount(), 3) << what;
    EXPECT_EQ(c.meta.names, (std::vector<std::string>{"KLINE", "成交量", "成交额"}));
    EXPECT_EQ(c.meta.styles, (std::vector<int>{12, -1, -1}));
    EXPECT_EQ(c.meta.columns, (std::vector<std::vector<int>>{{0, 1, 2, 3}, {4}, {5}}));
    EXPECT_EQ(c.meta.nameGroups[0], (std::vector<std::string>{"OPEN", "HIGH", "LOW", "CLOSE"}));
    EXPECT_EQ(c.meta.outputInts, (std::vector<int>{0, 0, 0}));
    ASSERT_EQ(c.result.barCount(), bars.size()) << what;
    ASSERT_EQ(c.result.values.size(), 6u);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(c.result.columnMap.at(k), k);
    EXPECT_EQ(c.result.texts.size(), 3u);
    EXPECT_EQ(c.result.numbers.size(), 3u);
    EXPECT_EQ(c.result.barColors.size(), 3u);
    for (const auto& t : c.result.texts)
        EXPECT_TRUE(t.empty());
    EXPECT_EQ(c.result.outputInts, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(c.result.barFlags, std::vector<int>(size_t(bars.size()), 1));
    EXPECT_EQ(c.result.basicData, std::vector<CBar>(bars.cbegin(), bars.cend()));
    for (int i = 0; i < bars.size(); ++i) {
        const CBar& b = bars[i];
        const size_t u = size_t(i);
        ASSERT_EQ(c.result.times[u].timeMs, b.time * 1000) << what << " bar " << i;
        ASSERT_EQ(c.col(0)[u], b.open);
        ASSERT_EQ(c.col(1)[u], b.high);
        ASSERT_EQ(c.col(2)[u], b.low);
        ASSERT_EQ(c.col(3)[u], b.close);
        ASSERT_EQ(c.col(4)[u], b.volume);
        ASSERT_EQ(c.col(5)[u], b.amount);
    }
}

} // namespace

TEST(EngineKLine, equalsTheStoreBarsForEveryPeriodAndExRightsType)
{
    const QString key = QStringLiteral("SH600519");
    for (qint64 sec : {60, 300, 3600, 86400, 604800, 2592000, 31536000}) {
        for (int dr : {0, 1, 2, 4}) {
            const Computed c = compute(param("SH", "600519", "KLINE", sec * 1000, dr));
            expectKLineEquals(c, store()->bars(key, sec, dr), std::to_string(sec) + "/" + std::to_string(dr));
            EXPECT_EQ(c.result.drType, dr);
            EXPECT_EQ(c.result.periodMs, sec * 1000);
            EXPECT_EQ(c.result.stockKey, "SH600519");
            EXPECT_EQ(c.meta.requestId, "test|KLINE");
        }
    }
}

TEST(EngineKLine, tradeDaysAreTheLocalDayOfEachBar)
{
    const Computed day = compute(param("SH", "600519", "KLINE"));
    ASSERT_TRUE(day.ok);
    for (const se::RPCTimeItem& t : day.result.times)
        ASSERT_EQ(t.tradeDayMs, t.timeMs);
    const Computed min = compute(param("SH", "600519", "KLINE", 60000));
    ASSERT_TRUE(min.ok);
    for (const se::RPCTimeItem& t : min.result.times) {
        const QDate d = QDateTime::fromMSecsSinceEpoch(t.timeMs).date();
        ASSERT_EQ(t.tradeDayMs, TC::CLocalTimeConverter::dayTag(d) * 1000);
    }
}

TEST(EngineKLine, nDayHourAndMinuteCodesUseTheStoresNForms)
{
    const QString key = QStringLiteral("SZ000651");
    expectKLineEquals(compute(param("SZ", "000651", "KLINE", 3 * 86400000LL)), store()->bars(key, 10, 0, 3),
                      "3 days");
    expectKLineEquals(compute(param("SZ", "000651", "KLINE", 2 * 86400000LL, 1)),
                      store()->bars(key, 10, 1, 2), "2 days");
    expectKLineEquals(compute(param("SZ", "000651", "KLINE", 7 * 60000LL)), store()->bars(key, 420, 0),
                      "7 min");
    expectKLineEquals(compute(param("SZ", "000651", "KLINE", 25 * 3600000LL)), store()->bars(key, 11, 0, 25),
                      "25 hours");
}

TEST(EngineKLine, fiveMinuteBarsAggregateTheMinuteBars)
{
    const QVector<CBar> minutes = store()->minuteBars(QStringLiteral("SH600000"));
    // Sessions open at 09:30 and 13:00, multiples of five minutes: a bar
    // ending at minute m belongs to the bucket ending at the next multiple.
    const QVector<CBar> expected =
        aggregate(minutes, [](const CBar& b) { return b.time + ((300 - (b.time % 300)) % 300); });
    const Computed c = compute(param("SH", "600000", "KLINE", 300000));
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.result.barCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(c.result.times[size_t(i)].timeMs, expected[i].time * 1000);
        ASSERT_EQ(c.col(0)[size_t(i)], expected[i].open);
        ASSERT_EQ(c.col(1)[size_t(i)], expected[i].high);
        ASSERT_EQ(c.col(2)[size_t(i)], expected[i].low);
        ASSERT_EQ(c.col(3)[size_t(i)], expected[i].close);
        ASSERT_NEAR(c.col(4)[size_t(i)], expected[i].volume, 1e-6 * expected[i].volume + 1e-9);
    }
}

TEST(EngineKLine, weekMonthAndYearAggregateTheDayBars)
{
    const QVector<CBar> days = store()->dayBars(QStringLiteral("SZ000063"));
    struct Case {
        qint64 sec;
        std::function<int(const QDate&)> bucket;
    };
    const std::vector<Case> cases = {
        {604800,
         [](const QDate& d) {
             int y = 0;
             const int w = d.weekNumber(&y);
             return y * 100 + w;
         }},
        {2592000, [](const QDate& d) { return d.year() * 100 + d.month(); }},
        {31536000, [](const QDate& d) { return d.year(); }},
    };
    for (const Case& cs : cases) {
        const QVector<CBar> expected = aggregate(
            days, [&](const CBar& b) { return qint64(cs.bucket(QDateTime::fromSecsSinceEpoch(b.time).date())); });
        const Computed c = compute(param("SZ", "000063", "KLINE", cs.sec * 1000));
        ASSERT_TRUE(c.ok);
        ASSERT_EQ(c.result.barCount(), expected.size()) << cs.sec;
        for (int i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(c.result.times[size_t(i)].timeMs, expected[i].time * 1000) << cs.sec;
            ASSERT_EQ(c.col(0)[size_t(i)], expected[i].open);
            ASSERT_EQ(c.col(1)[size_t(i)], expected[i].high);
            ASSERT_EQ(c.col(2)[size_t(i)], expected[i].low);
            ASSERT_EQ(c.col(3)[size_t(i)], expected[i].close);
            ASSERT_NEAR(c.col(4)[size_t(i)], expected[i].volume, 1e-9 * expected[i].volume + 1e-9);
        }
    }
}

TEST(EngineKLine, forwardAdjustedPricesDifferBeforeAnExDateAndAgreeAfterTheLast)
{
    QString key;
    for (const QString& k : store()->instrumentKeys()) {
        if (!store()->dividData(k).isEmpty() && store()->instrument(k)->kind == "stock") {
            key = k;
            break;
        }
    }
    ASSERT_FALSE(key.isEmpty());
    const auto detail = store()->instrument(key);
    const QString market = QString::fromStdString(detail->market);
    const QString code = QString::fromStdString(detail->code);
    const Computed raw = compute(param(market, code, "KLINE", 86400000, 0));
    const Computed fwd = compute(param(market, code, "KLINE", 86400000, 1));
    ASSERT_TRUE(raw.ok && fwd.ok);
    ASSERT_EQ(raw.result.barCount(), fwd.result.barCount());
    qint64 firstEx = std::numeric_limits<qint64>::max();
    qint64 lastEx = 0;
    for (const quoter::DividData& d : store()->dividData(key)) {
        const qint64 t = d.time / 1000; // milliseconds
        firstEx = std::min(firstEx, t);
        lastEx = std::max(lastEx, t);
    }
    int differBefore = 0;
    for (int i = 0; i < raw.result.barCount(); ++i) {
        const qint64 t = raw.result.times[size_t(i)].timeMs / 1000;
        if (t >= lastEx) {
            ASSERT_EQ(raw.col(3)[size_t(i)], fwd.col(3)[size_t(i)]) << i;
        } else if (t < firstEx && raw.col(3)[size_t(i)] != fwd.col(3)[size_t(i)]) {
            ++differBefore;
        }
    }
    EXPECT_GT(differBefore, 0);
}

TEST(EngineKLine, countLimitKeepsTheNewestBarsOfTheUnlimitedRun)
{
    for (const char* f : {"KLINE", "MA", "MACD"}) {
        TC::CFormulaParam p = param("SH", "600519", f);
        const Computed full = compute(p);
        p.countLimit = 50;
        const Computed tail = compute(p);
        ASSERT_TRUE(full.ok && tail.ok) << f;
        ASSERT_EQ(tail.result.barCount(), 50);
        const size_t off = size_t(full.result.barCount() - 50);
        EXPECT_EQ(tail.result.times.front().timeMs, full.result.times[off].timeMs);
        ASSERT_EQ(tail.result.values.size(), full.result.values.size());
        for (size_t c = 0; c < full.result.values.size(); ++c) {
            const std::vector<double> expected(full.result.values[c].begin() + long(off),
                                               full.result.values[c].end());
            EXPECT_EQ(tail.result.values[c], expected) << f << " column " << c;
        }
        EXPECT_EQ(tail.result.basicData.size(), 50u);
    }
}

TEST(EngineKLine, rangesClipInclusivelyAndMarksMeanTheWholeSeries)
{
    TC::CFormulaParam p = param("SH", "600519", "KLINE");
    const Computed full = compute(p);
    ASSERT_TRUE(full.ok);
    const int n = full.result.barCount();
    ASSERT_GT(n, 100);
    p.rangeStart = quoter::TimeSeq::TIME_START;
    EXPECT_EQ(compute(p).result.barCount(), n);
    p.rangeStart = {-1, 0};
    p.rangeEnd = {-1, 0};
    EXPECT_EQ(compute(p).result.barCount(), n);

    p.rangeStart = {full.result.times[10].timeMs, 0};
    p.rangeEnd = {full.result.times[20].timeMs, 0};
    Computed c = compute(p);
    ASSERT_EQ(c.result.barCount(), 11);
    EXPECT_EQ(c.result.times.front().timeMs, full.result.times[10].timeMs);
    EXPECT_EQ(c.col(3).back(), full.col(3)[20]);
    // Between two bars: the next bar starts, the previous one ends.
    p.rangeStart = {full.result.times[10].timeMs - 1, 0};
    p.rangeEnd = {full.result.times[20].timeMs + 1, 0};
    EXPECT_EQ(compute(p).result.barCount(), 11);
    // An end before the start, or before the first bar: an empty answer.
    p.rangeStart = {full.result.times[20].timeMs, 0};
    p.rangeEnd = {full.result.times[10].timeMs, 0};
    c = compute(p);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.result.barCount(), 0);
    EXPECT_EQ(c.result.values.size(), 6u);
    EXPECT_EQ(c.meta.outputCount(), 3);
    // Range and limit together: the newest bars inside the range.
    p.rangeStart = quoter::TimeSeq::TIME_START2;
    p.rangeEnd = {full.result.times[20].timeMs, 0};
    p.countLimit = 5;
    c = compute(p);
    ASSERT_EQ(c.result.barCount(), 5);
    EXPECT_EQ(c.result.times.front().timeMs, full.result.times[16].timeMs);
}

TEST(EngineKLine, badRequestsFailCleanlyAndLeaveTheRecordsAlone)
{
    struct Case {
        TC::CFormulaParam p;
        const char* what;
    };
    std::vector<Case> cases = {
        {param("SH", "600519", "NO_SUCH_FORMULA"), "NO_SUCH_FORMULA"},
        {param("SH", "999998", "KLINE"), "SH999998"},
        {param("SH", "600519", "MA"), ""},
        {param("SH", "600519", ""), ""},
        {param("SH", "600519", "KLINE", 30000), "30"},
        {param("SH", "600519", "KLINE", 61500), "61500"},
        {param("SH", "600519", "KLINE", -60000), "-60000"},
        {param("SH", "600519", "KLINE", 2 * 31536000000LL), "63072000"},
        {param("CD", "MYIDX", "KLINE"), "MYIDX"},
    };
    cases[2].p.market.clear();
    cases[2].p.code.clear();
    for (const Case& cs : cases) {
        se::RPCFormulaMetaResult meta;
        meta.names = {"keep"};
        se::RPCFormulaResult result;
        result.values = {{1.0}};
        QString error;
        EXPECT_FALSE(TC::CFormulaEngine::compute(cs.p, meta, result, &error)) << cs.what;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(error.contains(QString::fromUtf8(cs.what))) << error.toStdString();
        EXPECT_EQ(meta.names, std::vector<std::string>{"keep"});
        EXPECT_EQ(result.values, std::vector<std::vector<double>>{{1.0}});
        // A null error pointer is allowed.
        EXPECT_FALSE(TC::CFormulaEngine::compute(cs.p, meta, result, nullptr));
    }
}

TEST(EngineKLine, customIndexIsTheEqualWeightedRebasedCloses)
{
    TC::CFormulaParam p = param("CD", "MYIDX", "KLINE");
    p.components = {qMakePair(QStringLiteral("SH"), QStringLiteral("600519")),
                    qMakePair(QStringLiteral("SZ"), QStringLiteral("000651"))};
    p.indexBasePoint = 1000;
    const Computed c = compute(p);
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.result.stockKey, "MYIDX");
    const QVector<CBar> a = store()->dayBars(QStringLiteral("SH600519"));
    const QVector<CBar> b = store()->dayBars(QStringLiteral("SZ000651"));
    std::map<qint64, double> ca, cb;
    for (const CBar& x : a)
        ca[x.time] = x.close;
    for (const CBar& x : b)
        cb[x.time] = x.close;
    // Where both traded on the same day, the close is the mean of the two ratios.
    int checked = 0;
    for (int i = 0; i < c.result.barCount(); ++i) {
        const qint64 t = c.result.times[size_t(i)].timeMs / 1000;
        if (ca.count(t) && cb.count(t)) {
            const double expected = 1000.0 * (ca[t] / a.first().close + cb[t] / b.first().close) / 2.0;
            ASSERT_NEAR(c.col(3)[size_t(i)], expected, 1e-9 * expected);
            ++checked;
        }
        ASSERT_LE(c.col(2)[size_t(i)], c.col(3)[size_t(i)] + 1e-9);
        ASSERT_GE(c.col(1)[size_t(i)], c.col(3)[size_t(i)] - 1e-9);
    }
    EXPECT_GT(checked, 100);
    // A base date moves the base to that day's closes.
    const QDate base = QDateTime::fromSecsSinceEpoch(a[a.size() - 10].time).date();
    p.indexBaseDate = base.toString(QStringLiteral("yyyyMMdd")).toInt();
    const Computed rebased = compute(p);
    ASSERT_TRUE(rebased.ok);
    for (int i = 0; i < rebased.result.barCount(); ++i) {
        if (rebased.result.times[size_t(i)].timeMs / 1000 == a[a.size() - 10].time) {
            if (cb.count(a[a.size() - 10].time)) {
                EXPECT_NEAR(rebased.col(3)[size_t(i)], 1000.0, 1e-9);
            }
        }
    }
    // An unknown component fails.
    p.components.append(qMakePair(QStringLiteral("SH"), QStringLiteral("999998")));
    EXPECT_FALSE(compute(p).ok);
}
