#include <cfloat>

#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/IdGenerator.h"
#include "platform/indexui/CFormulaKey.h"
#include "platform/indexui/IndexBaseDataReq.h"
#include "platform/indexui/RPCFormulaResultCache.h"

using TC::CFormulaKey;
using TC::IndexBaseDataReq;
using TC::RPCFormulaResultCache;

namespace {

// A two-output result: a K-line over columns 0..3 and a line output on column
// 4 that also keeps per-bar texts.
RPCFormulaResultCache makeCache(int bars)
{
    se::RPCFormulaMetaResult meta;
    meta.names = {"KLINE", "SIG"};
    meta.styles = {12, 13};
    meta.columns = {{0, 1, 2, 3}, {4}};
    meta.nameGroups = {{"OPEN", "HIGH", "LOW", "CLOSE"}, {"SIG"}};
    se::RPCFormulaResult r;
    r.values.assign(5, {});
    for (int c = 0; c < 5; ++c)
        r.columnMap[c] = c;
    r.texts.assign(2, {});
    r.barColors.assign(2, {});
    r.numbers.assign(2, {});
    for (int i = 0; i < bars; ++i) {
        r.times.push_back({qint64(i + 1) * 60000, 0});
        for (int c = 0; c < 5; ++c)
            r.values[size_t(c)].push_back(10.0 * c + i);
        r.texts[1].push_back("t" + std::to_string(i));
        r.barFlags.push_back(1);
    }
    return RPCFormulaResultCache(meta, r);
}

se::RPCFormulaInstantResult instant(qint64 ms, double base)
{
    se::RPCFormulaInstantResult in;
    in.time = {ms, 0};
    for (int c = 0; c < 5; ++c)
        in.values.push_back(base + c);
    in.texts = {"", "new"};
    return in;
}

} // namespace

TEST(FormulaKey, OrdersByInstrumentThenFormula)
{
    QMap<CFormulaKey, int> m;
    m[CFormulaKey("SZ000001", "MA")] = 3;
    m[CFormulaKey("SH600000", "MACD")] = 2;
    m[CFormulaKey("SH600000", "KLINE")] = 1;
    QList<int> order = m.values();
    EXPECT_EQ(order, (QList<int>{1, 2, 3}));
    EXPECT_EQ(CFormulaKey("A", "X"), CFormulaKey("A", "X"));
    EXPECT_NE(CFormulaKey("A", "X"), CFormulaKey("A", "x"));
    QSet<CFormulaKey> s{CFormulaKey("A", "X"), CFormulaKey("A", "X")};
    EXPECT_EQ(s.size(), 1);
}

TEST(IndexBaseDataReq, BothDirectionsAndMaintenance)
{
    IndexBaseDataReq req;
    const CFormulaKey k1("SH600000", "KLINE"), k2("SH600000", "MA"), k3("SZ000001", "KLINE");
    EXPECT_TRUE(req.add(k1, "id1"));
    EXPECT_TRUE(req.add(k2, "id2"));
    EXPECT_FALSE(req.add(k1, "id9")); // key already booked
    EXPECT_FALSE(req.add(k3, "id2")); // id already booked
    EXPECT_FALSE(req.add(k3, ""));
    EXPECT_TRUE(req.add(k3, "id3"));
    EXPECT_EQ(req.count(), 3);

    QString id;
    CFormulaKey key;
    EXPECT_TRUE(req.getReq(id, k2));
    EXPECT_EQ(id, "id2");
    EXPECT_TRUE(req.getKey(key, "id3"));
    EXPECT_EQ(key, k3);
    EXPECT_FALSE(req.getKey(key, "nope"));
    EXPECT_EQ(key, k3); // untouched on failure
    EXPECT_TRUE(req.findKey(k1));

    EXPECT_EQ(req.reqIds(), (QVector<QString>{"id1", "id2", "id3"}));
    EXPECT_TRUE(req.removeReq("id2"));
    EXPECT_FALSE(req.removeReq("id2"));
    EXPECT_TRUE(req.removeKey(k1));
    EXPECT_FALSE(req.findKey(k1));
    req.removeAt(7);
    req.removeAt(-1);
    EXPECT_EQ(req.count(), 1);
    EXPECT_EQ(req[0].reqId, "id3");
    EXPECT_TRUE(req[5].reqId.isEmpty());
    req.removeAt(0);
    EXPECT_EQ(req.count(), 0);
    req.add(k1, "id1");
    req.clear();
    EXPECT_EQ(req.count(), 0);
}

TEST(ResultCache, ReadsOutputsThroughTheColumnMap)
{
    RPCFormulaResultCache c = makeCache(3);
    EXPECT_EQ(c.barCount(), 3);
    EXPECT_EQ(c.outputCount(), 2);
    EXPECT_EQ(c.styleCode(0), 12);
    EXPECT_EQ(c.styleCode(5), -1);
    EXPECT_EQ(c.value(0, 2, 3), 32.0); // close of bar 2
    EXPECT_EQ(c.value(1, 1), 41.0);
    EXPECT_EQ(c.value(1, 3), DBL_MAX);
    EXPECT_EQ(c.value(0, 0, 4), DBL_MAX);
    EXPECT_EQ(c.data(3), nullptr);
    EXPECT_TRUE(c.barValid(0));
    EXPECT_FALSE(c.barValid(3));
    EXPECT_EQ(c.barTimeMs(1), 120000);
}

TEST(ResultCache, AppendCoverAndPlaceholder)
{
    RPCFormulaResultCache c = makeCache(2);
    RPCFormulaResultCache shared = c; // a copy shares the records until one writes
    ASSERT_TRUE(c.appendBar(instant(180000, 100)));
    EXPECT_EQ(c.barCount(), 3);
    EXPECT_EQ(shared.barCount(), 2);
    EXPECT_EQ(c.value(0, 2, 3), 103.0);
    EXPECT_EQ(c.result->texts[1].back(), "new");
    EXPECT_TRUE(c.result->texts[0].empty()); // outputs without texts stay without
    EXPECT_EQ(c.result->barFlags.back(), 1);

    ASSERT_TRUE(c.coverLastBar(instant(180000, 200)));
    EXPECT_EQ(c.barCount(), 3);
    EXPECT_EQ(c.value(1, 2), 204.0);
    EXPECT_EQ(c.value(0, 1, 0), 1.0); // earlier bars untouched

    c.appendPlaceholder({240000, 0});
    EXPECT_EQ(c.barCount(), 4);
    EXPECT_EQ(c.value(0, 3, 0), DBL_MAX);
    EXPECT_FALSE(c.barValid(3));
    EXPECT_EQ(c.result->texts[1].size(), 4u);

    // A short instant leaves the missing vectors without a value.
    se::RPCFormulaInstantResult shortOne;
    shortOne.time = {300000, 0};
    shortOne.values = {1.0};
    ASSERT_TRUE(c.appendBar(shortOne));
    EXPECT_EQ(c.value(0, 4, 0), 1.0);
    EXPECT_EQ(c.value(0, 4, 1), DBL_MAX);
    for (const auto& v : c.result->values)
        EXPECT_EQ(v.size(), 5u);
}

TEST(ResultCache, LiveBarsKeepTheirInputBars)
{
    const RPCFormulaResultCache plain = makeCache(2);
    se::RPCFormulaResult withBars = *plain.result;
    withBars.basicData.resize(2);
    RPCFormulaResultCache c(*plain.meta, withBars);
    se::RPCFormulaInstantResult up = instant(180000, 100);
    up.basic.open = 10;
    up.basic.close = 12;
    up.hasBasic = true;
    ASSERT_TRUE(c.appendBar(up));
    ASSERT_EQ(c.result->basicData.size(), 3u);
    EXPECT_EQ(c.result->basicData.back().close, 12.0);
    up.basic.close = 9;
    ASSERT_TRUE(c.coverLastBar(up));
    EXPECT_EQ(c.result->basicData.back().close, 9.0);
    c.appendPlaceholder({240000, 0});
    EXPECT_EQ(c.result->basicData.size(), 4u);
    ASSERT_TRUE(c.appendBar(up));
    EXPECT_EQ(c.result->basicData.size(), 5u);
    // An instant without its input bar leaves the list as it is.
    ASSERT_TRUE(c.appendBar(instant(360000, 1)));
    EXPECT_EQ(c.result->basicData.size(), 5u);
}

TEST(ResultCache, CoverWithoutBarsAndEmptyCacheAreRefused)
{
    RPCFormulaResultCache empty;
    EXPECT_FALSE(empty.isValid());
    EXPECT_FALSE(empty.appendBar(instant(1, 1)));
    EXPECT_FALSE(empty.coverLastBar(instant(1, 1)));
    RPCFormulaResultCache none = makeCache(0);
    EXPECT_FALSE(none.coverLastBar(instant(1, 1)));
    EXPECT_TRUE(none.appendBar(instant(60000, 5)));
    EXPECT_EQ(none.barCount(), 1);
    EXPECT_EQ(none.result->texts[0].size(), 1u); // first bar: every output starts its entries
}

TEST(Records, IdsAndRecordDefaults)
{
    EXPECT_EQ(se::IdGenerator::genId(5000, "ma", "SH600000"), "5000|MA|SH600000");
    EXPECT_NE(se::IdGenerator::genId(5000, "MA", "SH600000"), se::IdGenerator::genId(5001, "MA", "SH600000"));
    EXPECT_NE(se::IdGenerator::uniqueId("x"), se::IdGenerator::uniqueId("x"));
    TC::CFormulaParam p;
    EXPECT_EQ(p.countLimit, 2147483647);
    EXPECT_EQ(p.rangeStart, quoter::TimeSeq::TIME_START2);
    EXPECT_EQ(p.rangeEnd, quoter::TimeSeq::TIME_LASTED);
    EXPECT_NE(quoter::TimeSeq::TIME_START, quoter::TimeSeq::TIME_START2);
    EXPECT_FALSE((quoter::TimeSeq{-1, 0}).isMark());
    p.market = "CD";
    p.code = "MYIDX";
    EXPECT_EQ(p.stockKey(), "MYIDX");
    p.market = "SZ";
    p.code = "000001";
    EXPECT_EQ(p.stockKey(), "SZ000001");
}
