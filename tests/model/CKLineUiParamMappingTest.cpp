#include <cfloat>

#include <gtest/gtest.h>

#include "common/TestHelpers.h"
#include "model/CKLineUiParam.h"
#include "platform/framework/CUiResource.h"

using TC::CKLineUiParam;

namespace {

CKLineUiParam windowed(int bars, int first, int last, int plotWidth)
{
    CKLineUiParam p;
    p.m_tradeDateList = ktest::dailyTags(QDate(2020, 1, 1), bars);
    p.setMinDispIndex(first);
    p.setMaxDispIndex(last);
    p.plotWidth = plotWidth;
    return p;
}

} // namespace

TEST(UiParamMapping, NoPlotWidthMapsNothing)
{
    CKLineUiParam p = windowed(50, 0, 49, 0);
    for (int x : {-10, 0, 1, 100, 5000})
        EXPECT_EQ(p.getIndexByXAxis(x), -1) << x;
}

TEST(UiParamMapping, SingleBarSitsAtOneTenthOfThePlot)
{
    CKLineUiParam p = windowed(1, 0, 0, 500);
    EXPECT_EQ(p.getXAxisByIndex(0, -1, -1), 50);
    ktest::ScopedClientType ct(3);
    EXPECT_EQ(p.getXAxisByIndex(0, -1, -1), 30);
}

TEST(UiParamMapping, TwentyBarWindowOnThousandPixels)
{
    CKLineUiParam p = windowed(200, 100, 119, 1000);
    EXPECT_EQ(p.getXAxisByIndex(100, -1, -1), 17);
    EXPECT_EQ(p.getXAxisByIndex(119, -1, -1), 967);
    EXPECT_EQ(p.getXAxisByIndex(90, -1, -1), 17); // left of the window: the inset
    EXPECT_EQ(p.getIndexByXAxis(999), 119);
    EXPECT_EQ(p.getIndexByXAxis(0), 100);
    EXPECT_EQ(p.getIndexByXAxis(-40), 100);   // negative x clamps to the first bar
    EXPECT_EQ(p.getIndexByXAxis(50000), 119); // far right clamps to the last
    EXPECT_EQ(p.getXAxisByIndex(-1, -1, -1), -1);
}

TEST(UiParamMapping, ClientType3WidensShortWindowsToSixteenSlots)
{
    ktest::ScopedClientType ct(3);
    CKLineUiParam p = windowed(5, 0, 4, 160);
    const int expected[] = {3, 13, 23, 33, 43};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.getXAxisByIndex(i, -1, -1), expected[i]) << i;
    EXPECT_EQ(p.getIndexByXAxis(150), 4); // k = 15 exceeds the real span
    EXPECT_EQ(p.getIndexByXAxis(25), 2);
    EXPECT_EQ(p.getEndStartSub(4, 0), 15);
    EXPECT_EQ(p.getEndStartSub(40, 0), 40);
}

TEST(UiParamMapping, WithoutClientType3ShortWindowsUseTheirOwnSpan)
{
    ktest::ScopedClientType ct(0);
    CKLineUiParam p = windowed(5, 0, 4, 160);
    EXPECT_EQ(p.getXAxisByIndex(4, -1, -1), 128 + 11);
    EXPECT_EQ(p.getEndStartSub(4, 0), 4);
}

TEST(UiParamMapping, BarToPixelAndBackRoundTrips)
{
    // Every bar's pixel maps back to the bar while a bar is at least 3 px wide.
    for (int width : {300, 777, 1600}) {
        for (int span : {19, 60, 99}) {
            CKLineUiParam p = windowed(400, 100, 100 + span, width);
            for (int i = 100; i <= 100 + span; ++i)
                ASSERT_EQ(p.getIndexByXAxis(p.getXAxisByIndex(i, -1, -1)), i)
                    << "width " << width << " span " << span << " bar " << i;
        }
    }
}

TEST(UiParamMapping, ExplicitBoundsOverrideTheWindowAndReversedBoundsAreSafe)
{
    CKLineUiParam p = windowed(200, 100, 119, 1000);
    // Bounds [0, 9]: step 100, inset 35.
    EXPECT_EQ(p.getXAxisByIndex(3, 0, 9), 335);
    // A reversed window must not divide by zero.
    EXPECT_EQ(p.getXAxisByIndex(5, 9, 0), 350 + 5 * 0);
    EXPECT_GE(p.getXAxisByIndex(12, 9, 0), 0);
}

TEST(UiParamMapping, SettersKeepIndexesNonNegative)
{
    CKLineUiParam p;
    p.setMinDispIndex(-5);
    p.setMaxDispIndex(-1);
    EXPECT_EQ(p.getMinDispIndex(), 0);
    EXPECT_EQ(p.getMaxDispIndex(), 0);
    QRect r(0, 0, 800, 300);
    p.resize(r);
    EXPECT_EQ(p.plotWidth, 750);
}

TEST(UiParamDefaults, ConstructionStateAndPackedColours)
{
    CKLineUiParam p;
    EXPECT_EQ(p.period, 86400);
    EXPECT_EQ(p.drType, 3);
    EXPECT_EQ(p.crossIndex, -1);
    EXPECT_EQ(p.lockedIndex, -1);
    EXPECT_EQ(p.lockedTimeTag, -1);
    EXPECT_EQ(p.axisWidth, 50);
    EXPECT_EQ(p.resetSpan, 30);
    EXPECT_EQ(p.resetSpanNarrow, 20);
    EXPECT_EQ(p.minDispSpan, 20);
    EXPECT_EQ(p.timetagSpan, 15);
    EXPECT_EQ(p.swLevel, -1);
    EXPECT_TRUE(p.connectTick);
    EXPECT_TRUE(p.enableDoubleClick);
    EXPECT_EQ(p.getLastIndex(), -1);
    ASSERT_EQ(p.superposeColors.size(), 3);
    const char* keys[] = {"ic_clr_kline_superpos_1", "ic_clr_kline_superpos_2", "ic_clr_kline_superpos_3"};
    for (int i = 0; i < 3; ++i) {
        const QColor c = KW::CUiResource::instance()->getColor(QString::fromLatin1(keys[i]));
        EXPECT_EQ(p.superposeColors[i], unsigned(c.red() | (c.green() << 8) | (c.blue() << 16))) << i;
    }
}

TEST(UiParamDefaults, NoInstrumentGivesEmptyTextsAndNoValue)
{
    CKLineUiParam p;
    EXPECT_EQ(p.getCurrKey(), QString());
    EXPECT_EQ(p.getCurrCode(), QString());
    EXPECT_EQ(p.getCurrMarket(), QString());
    EXPECT_EQ(p.getCurrLastClose(), DBL_MAX);
    EXPECT_EQ(p.getCurrTick(), DBL_MAX);
    EXPECT_EQ(p.getMainPanelID(), 0);
    EXPECT_FALSE(p.isStockEmpty());
    p.indexType = 1;
    EXPECT_EQ(p.getLastClose(), 0.0);
    EXPECT_TRUE(p.isShowGroupIndexGraph());
    p.mainPanel = std::make_shared<TC::CPanelInfo>();
    p.mainPanel->id = 77;
    EXPECT_EQ(p.getMainPanelID(), 77);
}

TEST(UiParamClear, KeepsTheLockedTimeOnlyForNormalInstruments)
{
    CKLineUiParam p;
    auto stock = std::make_shared<qlservice::CInstrumentDetail>();
    stock->key = "SZ000001";
    stock->code = "000001";
    stock->market = "SZ";
    p.curStock = stock;
    p.m_tradeDateList = ktest::dailyTags(QDate(2021, 3, 1), 10);
    p.lockCursor = true;
    p.lockedIndex = 4;
    p.actualEnd = p.maxDispIndex = p.overviewEnd = 9;
    p.clear();
    EXPECT_EQ(p.lockedTimeTag, int(ktest::tag(2021, 3, 5)));
    EXPECT_TRUE(p.m_tradeDateList.isEmpty());
    EXPECT_EQ(p.actualEnd, 0);
    EXPECT_EQ(p.maxDispIndex, 0);
    EXPECT_EQ(p.overviewEnd, 0);

    // Index out of the (now empty) list: the tag is forgotten.
    p.clear();
    EXPECT_EQ(p.lockedTimeTag, -1);

    // An instrument with a non-zero auxiliary status leaves the tag alone.
    stock->auxStatus = 2;
    p.lockedTimeTag = 12345;
    p.m_tradeDateList = ktest::dailyTags(QDate(2021, 3, 1), 10);
    p.clear();
    EXPECT_EQ(p.lockedTimeTag, 12345);
}

TEST(UiParamCopy, CopiesEveryFieldAndSharesTheBaseSelector)
{
    CKLineUiParam a;
    a.m_tradeDateList = ktest::dailyTags(QDate(2021, 1, 4), 5);
    a.period = 60;
    a.crossIndex = 3;
    a.stockMarkNames << QStringLiteral("acct");
    a.formulaBase = reinterpret_cast<TC::CFormulaBaseAxis*>(0x1234);
    a.getTradeDateFunc = [] { return 42; };
    a.tradeMarkMaps[1][7][3] = {100.0, 1000.0};
    CKLineUiParam b(a);
    EXPECT_EQ(b.m_tradeDateList, a.m_tradeDateList);
    EXPECT_EQ(b.period, 60);
    EXPECT_EQ(b.crossIndex, 3);
    EXPECT_EQ(b.stockMarkNames, a.stockMarkNames);
    EXPECT_EQ(b.formulaBase, a.formulaBase);
    ASSERT_TRUE(bool(b.getTradeDateFunc));
    EXPECT_EQ(b.getTradeDateFunc(), 42);
    EXPECT_EQ(b.tradeMarkMaps[1][7][3].second, 1000.0);
    CKLineUiParam c;
    c = a;
    EXPECT_EQ(c.m_tradeDateList.size(), 5);
    b.formulaBase = c.formulaBase = nullptr; // not owned: nothing to release
}

TEST(UiParamWindowRules, ResetStartFollowsTheOldWindow)
{
    CKLineUiParam p;
    p.actualEnd = 100;
    p.minDispIndex = 10;
    p.maxDispIndex = 11; // spanned exactly one step
    EXPECT_EQ(p.resetWindowStart(), 80);
    p.maxDispIndex = 40;
    EXPECT_EQ(p.resetWindowStart(), 70);
    p.actualEnd = 29;
    EXPECT_EQ(p.resetWindowStart(), 0);
    p.actualEnd = 30;
    EXPECT_EQ(p.resetWindowStart(), 0);
    p.maxDispIndex = 11;
    p.actualEnd = 5;
    EXPECT_EQ(p.resetWindowStart(), 0);
}

TEST(UiParamWindowRules, ExplicitWindowOverview)
{
    EXPECT_EQ(CKLineUiParam::explicitOverview(100, 130, 500), qMakePair(91, 139));
    EXPECT_EQ(CKLineUiParam::explicitOverview(5, 35, 500), qMakePair(0, 44));
    EXPECT_EQ(CKLineUiParam::explicitOverview(100, 130, 120), qMakePair(91, 120));
    // Half away from zero: d = 25 -> 7.5 rounds to 8.
    EXPECT_EQ(CKLineUiParam::explicitOverview(100, 125, 500), qMakePair(93, 133));
    // Start past the strip's end: the end is pushed out to keep the window.
    EXPECT_EQ(CKLineUiParam::explicitOverview(600, 650, 500), qMakePair(585, 650));
}

TEST(UiParamWindowRules, CursorStepsClampAndTimetagWindow)
{
    CKLineUiParam p;
    p.actualStart = 0;
    p.actualEnd = 50;
    EXPECT_EQ(p.stepCursor(10, true, false), 9);
    EXPECT_EQ(p.stepCursor(10, false, true), 14);
    EXPECT_EQ(p.stepCursor(2, true, true), 0);
    EXPECT_EQ(p.stepCursor(49, false, true), 50);
    EXPECT_EQ(p.timetagWindow(10), qMakePair(0, 25));
    EXPECT_EQ(p.timetagWindow(40), qMakePair(25, 50));
}
