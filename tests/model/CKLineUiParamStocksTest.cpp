#include <cfloat>

#include <gtest/gtest.h>

#include "common/TestHelpers.h"
#include "model/CKLineUiParam.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"

using TC::CKLineUiParam;

namespace {

std::shared_ptr<qlservice::CInstrumentDetail> store(const char* key)
{
    auto d = TC::CStockManager::getInstrumentDetail(QString::fromLatin1(key));
    EXPECT_TRUE(d) << key;
    return d;
}

std::shared_ptr<qlservice::CInstrumentDetail> synthetic(const char* market, const char* code)
{
    auto d = std::make_shared<qlservice::CInstrumentDetail>();
    d->market = market;
    d->code = code;
    d->key = std::string(market) + code;
    return d;
}

QStringList keysOf(const CKLineUiParam& p)
{
    QStringList keys;
    for (const auto& s : p.addStockList)
        keys << TC::getDetailQsKey(s);
    return keys;
}

} // namespace

TEST(UiParamStocks, AddStockIgnoresDuplicatesAndKeepsTheirColour)
{
    CKLineUiParam p;
    p.addStock(synthetic("SZ", "000001"));
    p.addStock(synthetic("SH", "600036"));
    const unsigned first = p.superposeColorMap.value(QStringLiteral("SZ000001"));
    EXPECT_EQ(first, p.superposeColors[0]);
    EXPECT_EQ(p.superposeColorMap.value(QStringLiteral("SH600036")), p.superposeColors[1]);
    p.addStock(synthetic("SZ", "000001"));
    EXPECT_EQ(p.addStockList.size(), 2);
    EXPECT_EQ(p.superposeColorMap.value(QStringLiteral("SZ000001")), first);
    p.addStock(std::shared_ptr<qlservice::CInstrumentDetail>());
    EXPECT_EQ(p.addStockList.size(), 2);
}

TEST(UiParamStocks, AddByKeyOnlyFindsTheChartsOwnInstruments)
{
    CKLineUiParam p;
    p.curStock = synthetic("SH", "600519");
    p.addStock(QStringLiteral("SZ399999")); // unknown to the chart
    EXPECT_TRUE(p.addStockList.isEmpty());
    p.addStock(QStringLiteral("SH600519"));
    ASSERT_EQ(p.addStockList.size(), 1);
    // Superposed under its own key, yet never "superposed" for requests.
    EXPECT_FALSE(p.isSuperPosStock(QStringLiteral("SH600519")));
    EXPECT_EQ(p.getStockDetail(QStringLiteral("SH600519")), p.curStock);
}

TEST(UiParamStocks, FourthInstrumentReusesTheColoursInTurn)
{
    CKLineUiParam p;
    for (const char* code : {"000001", "000002", "000004", "000005"})
        p.addStock(synthetic("SZ", code));
    EXPECT_EQ(p.addStockList.size(), 4);
    EXPECT_EQ(p.superposeColorMap.value(QStringLiteral("SZ000005")), p.superposeColors[0]);
}

TEST(UiParamStocks, QueriesAndDeleteAll)
{
    CKLineUiParam p;
    p.curStock = synthetic("SH", "600519");
    p.addStock(synthetic("SZ", "000001"));
    TC::CIndexDetail idx;
    idx.key = QStringLiteral("CD_MyIndex");
    p.addCustomIndexList.append(idx);
    p.swLevel = 2;
    p.addSwBkzsCode = QStringLiteral("BKZS801120");
    p.autoConvertible = 1;
    p.addConvertibleCodes.insert(QStringLiteral("SH110059"));
    EXPECT_TRUE(p.isSuperPosStock(QStringLiteral("SZ000001")));
    EXPECT_FALSE(p.isSuperPosStock(QStringLiteral("sz000001"))); // keys are case-sensitive
    EXPECT_TRUE(p.isSuperPosCustomIndex(QStringLiteral("CD_MyIndex")));
    EXPECT_FALSE(p.isSuperPosCustomIndex(QStringLiteral("CD_Other")));
    EXPECT_EQ(p.getStockDetail(QStringLiteral("nope")), nullptr);

    p.delAllStock();
    EXPECT_TRUE(p.addStockList.isEmpty());
    EXPECT_TRUE(p.addCustomIndexList.isEmpty());
    EXPECT_EQ(p.swLevel, -1);
    EXPECT_TRUE(p.addSwBkzsCode.isEmpty());
    EXPECT_TRUE(p.superposeColorMap.isEmpty());
    EXPECT_EQ(p.autoConvertible, 0);
    EXPECT_TRUE(p.addConvertibleCodes.isEmpty());
}

TEST(UiParamStocks, EmptyInstrumentCode)
{
    CKLineUiParam p;
    EXPECT_FALSE(p.isStockEmpty());
    p.curStock = synthetic("SH", "");
    EXPECT_TRUE(p.isStockEmpty());
    p.curStock = synthetic("SH", "600000");
    EXPECT_FALSE(p.isStockEmpty());
}

TEST(UiParamStocks, SectorIndexFollowsTheInstrument)
{
    CKLineUiParam p;
    p.setAddSwBkzsLevel(1);
    p.setStock(store("SH600000"));
    const QString bank = TC::CSectorManager::getBkzsCodeByName(
        TC::CSectorManager::getSWSectorByStock(QStringLiteral("SH600000"), 1));
    ASSERT_FALSE(bank.isEmpty());
    EXPECT_EQ(p.addSwBkzsCode, bank);
    ASSERT_EQ(keysOf(p), QStringList{bank});
    EXPECT_EQ(p.superposeColorMap.value(bank), p.superposeColors[0]);

    // A user-added instrument after it keeps its place when the sector changes.
    p.addStock(synthetic("SZ", "000001"));
    p.setStock(store("SH600519"));
    const QString liquor = TC::CSectorManager::getBkzsCodeByName(
        TC::CSectorManager::getSWSectorByStock(QStringLiteral("SH600519"), 1));
    ASSERT_FALSE(liquor.isEmpty());
    EXPECT_NE(liquor, bank);
    EXPECT_EQ(keysOf(p), (QStringList{liquor, QStringLiteral("SZ000001")}));
    EXPECT_EQ(p.superposeColorMap.value(liquor), p.superposeColors[0]);
    EXPECT_EQ(p.addSwBkzsCode, liquor);

    // An instrument without an industry drops the sector index.
    p.setStock(store("SH000001"));
    EXPECT_EQ(keysOf(p), QStringList{QStringLiteral("SZ000001")});
    EXPECT_TRUE(p.addSwBkzsCode.isEmpty());
}

TEST(UiParamStocks, SameInstrumentKeepsAutomaticSuperpositions)
{
    CKLineUiParam p;
    p.setAddSwBkzsLevel(3);
    p.setStock(store("SZ000651"));
    const QStringList before = keysOf(p);
    ASSERT_EQ(before.size(), 1);
    // Tamper with the list: a same-key setStock must not recompute it.
    p.addStockList.clear();
    p.setStock(store("SZ000651"));
    EXPECT_TRUE(p.addStockList.isEmpty());
    EXPECT_EQ(p.minDispSpan, 20);
    p.optionExpectMode = 1;
    p.setStock(store("SZ000651"));
    EXPECT_EQ(p.minDispSpan, 300);
}

TEST(UiParamStocks, ThreeSuperposedBlockTheAutomaticOnesButRecordTheSector)
{
    CKLineUiParam p;
    for (const char* code : {"000001", "000002", "000004"})
        p.addStock(synthetic("SZ", code));
    p.setAddSwBkzsLevel(2);
    p.autoConvertible = 1;
    p.setStock(store("SH600000"));
    EXPECT_EQ(p.addStockList.size(), 3);
    EXPECT_FALSE(p.addSwBkzsCode.isEmpty());
    EXPECT_TRUE(p.addConvertibleCodes.isEmpty());
    for (const auto& s : p.addStockList)
        EXPECT_NE(TC::getDetailQsMarket(s), QStringLiteral("BKZS"));
}

TEST(UiParamStocks, ConvertibleBondAndItsStockFindEachOther)
{
    CKLineUiParam p;
    p.autoConvertible = 1;
    p.setStock(store("SH600000"));
    ASSERT_EQ(keysOf(p), QStringList{QStringLiteral("SH110059")});
    EXPECT_TRUE(p.addConvertibleCodes.contains(QStringLiteral("SH110059")));
    EXPECT_EQ(p.superposeColorMap.value(QStringLiteral("SH110059")), p.superposeColors[0]);

    // From the bond, its underlying stock is superposed and the bond itself is gone.
    p.setStock(store("SH110059"));
    EXPECT_EQ(keysOf(p), QStringList{QStringLiteral("SH600000")});
    EXPECT_EQ(p.addConvertibleCodes, QSet<QString>{QStringLiteral("SH600000")});

    p.clearAddConvertibleCode();
    EXPECT_TRUE(p.addStockList.isEmpty());
    EXPECT_TRUE(p.addConvertibleCodes.isEmpty());

    // Rule off: nothing is added.
    p.autoConvertible = 0;
    p.setStock(store("SH600000"));
    EXPECT_TRUE(p.addStockList.isEmpty());
}

TEST(UiParamStocks, ClearingSectorIndexesKeepsTheirColours)
{
    CKLineUiParam p;
    p.setAddSwBkzsLevel(1);
    p.setStock(store("SZ000063"));
    const QString code = p.addSwBkzsCode;
    ASSERT_FALSE(code.isEmpty());
    p.clearAddSwBkzsCode();
    EXPECT_TRUE(p.addStockList.isEmpty());
    EXPECT_TRUE(p.addSwBkzsCode.isEmpty());
    EXPECT_TRUE(p.superposeColorMap.contains(code));
}

TEST(UiParamStocks, LastCloseSources)
{
    CKLineUiParam p;
    p.setStock(store("SH600519"));
    EXPECT_EQ(p.getLastClose(), p.curStock->lastClose);
    EXPECT_EQ(p.getCurrLastClose(), p.curStock->lastClose);
    EXPECT_EQ(p.getCurrTick(), 0.01);

    // With the host's trading-day callback the close before that day is used.
    QVector<qint64> days;
    ASSERT_TRUE(TC::CStockManager::getTradeDateList(QStringLiteral("SH"), days));
    ASSERT_GT(days.size(), 10);
    const int day = int(days[days.size() - 5]);
    p.getTradeDateFunc = [day] { return day; };
    const double expected = TC::CStockManager::getCurrentDateLastClose(QStringLiteral("SH600519"), day);
    EXPECT_NE(expected, DBL_MAX);
    EXPECT_EQ(p.getLastClose(), expected);
    p.indexType = 2;
    EXPECT_EQ(p.getLastClose(), 0.0);
}

TEST(UiParamStocks, GroupIndexGraphForIndexes)
{
    CKLineUiParam p;
    p.setStock(store("SH000001"));
    EXPECT_TRUE(p.isShowGroupIndexGraph());
    p.setStock(store("SH600519"));
    EXPECT_FALSE(p.isShowGroupIndexGraph());
}
