#include <cfloat>
#include <cmath>
#include <limits>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "platform/framework/CUiResource.h"
#include "platform/indexui/CDrawStyle.h"
#include "platform/indexui/DataToYAxis.h"

using TC::CDrawContext;
using TC::CDrawStyle;
using TC::RPCFormulaResultCache;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const unsigned kDefault = se::RPCFormulaMetaResult::kDefaultColor;

struct Output {
    std::string name;
    int style = 0;
    std::vector<std::vector<double>> columns;
    unsigned color = kDefault;
    int width = 1;
    double param1 = 0.0;
    double param2 = 0.0;
};

// A cache as the service delivers it: one data vector per column, in output order.
RPCFormulaResultCache makeCache(const std::vector<Output>& outputs, std::vector<int> flags = {})
{
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    size_t bars = 0;
    int column = 0;
    for (const Output& o : outputs) {
        meta.names.push_back(o.name);
        meta.styles.push_back(o.style);
        meta.colors.push_back(o.color);
        meta.widths.push_back(o.width);
        meta.params1.push_back(o.param1);
        meta.params2.push_back(o.param2);
        meta.decimals.push_back(-1);
        std::vector<int> cols;
        std::vector<std::string> names;
        for (const auto& c : o.columns) {
            result.columnMap[column] = int(result.values.size());
            result.values.push_back(c);
            cols.push_back(column++);
            names.push_back(o.name + std::to_string(cols.size()));
            bars = std::max(bars, c.size());
        }
        meta.columns.push_back(cols);
        meta.nameGroups.push_back(names);
        result.texts.emplace_back();
        result.barColors.emplace_back();
        result.numbers.emplace_back();
    }
    for (size_t i = 0; i < bars; ++i)
        result.times.push_back({qint64(i) * 86400000, qint64(i) * 86400000});
    if (flags.empty())
        flags.assign(bars, 1);
    result.barFlags = flags;
    return RPCFormulaResultCache(meta, result);
}

QColor themeColor(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// A 200 x 100 canvas: rows 0..99, ten slots of 20 pixels, hw 7, centres at 7, 27, 47 ...
class DrawStyleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KW::CUiResource::instance()->setTheme(QStringLiteral("dark"));
        m_bg = themeColor("ic_clr_graph_kline_bg");
        m_image = QImage(200, 100, QImage::Format_RGB32);
        m_image.fill(m_bg);
    }

    CDrawContext ctx(double max, double min, int first = 0, int last = 9, int span = 9) const
    {
        return CDrawContext(QRect(0, 0, 200, 100), max, min, first, last, span, 7);
    }
    QColor px(int x, int y) const { return m_image.pixelColor(x, y); }
    int row(double v, double max, double min) const { return int(TC::dataToYAxis(v, 0, 99, max, min)); }
    bool columnsBlank(int x0, int x1) const
    {
        for (int x = x0; x <= x1; ++x)
            for (int y = 0; y < m_image.height(); ++y)
                if (px(x, y) != m_bg)
                    return false;
        return true;
    }
    int countColor(const QColor& c) const
    {
        int n = 0;
        for (int y = 0; y < m_image.height(); ++y)
            for (int x = 0; x < m_image.width(); ++x)
                n += px(x, y) == c ? 1 : 0;
        return n;
    }

    CDrawStyle m_style;
    QImage m_image;
    QColor m_bg;
};

TEST_F(DrawStyleTest, CandlesRisingHollowFallingFilledFlatAsLine)
{
    // bar 0 rises, bar 1 falls, bar 2 is unchanged
    const auto cache = makeCache({{"KLINE", 12, {{40, 60, 50}, {80, 70, 55}, {20, 30, 45}, {60, 40, 50}}}});
    {
        QPainter p(&m_image);
        m_style.drawKLine(p, ctx(100, 0), cache, 0, false, 1.0, 2);
    }
    const QColor rise = themeColor("clr_global_rise");
    const QColor fall = themeColor("clr_global_fall");
    const int y40 = row(40, 100, 0), y60 = row(60, 100, 0), y80 = row(80, 100, 0), y20 = row(20, 100, 0);
    const int mid = (y40 + y60) / 2;
    // Rising body: outline columns 0 and 14, empty inside; 15 pixels wide.
    EXPECT_EQ(px(0, mid), rise);
    EXPECT_EQ(px(14, mid), rise);
    EXPECT_EQ(px(15, mid), m_bg);
    EXPECT_EQ(px(7, mid), m_bg);
    EXPECT_EQ(px(3, y60), rise);
    EXPECT_EQ(px(3, y40), rise);
    // Its wick reaches high and low exactly.
    EXPECT_EQ(px(7, (y80 + y60) / 2), rise);
    EXPECT_EQ(px(7, y80), rise);
    EXPECT_EQ(px(7, y80 - 1), m_bg);
    EXPECT_EQ(px(7, y20), rise);
    EXPECT_EQ(px(7, y20 + 1), m_bg);
    // Falling body filled, wick to its high.
    EXPECT_EQ(px(27, mid), fall);
    EXPECT_EQ(px(20, mid), fall);
    EXPECT_EQ(px(34, mid), fall);
    EXPECT_EQ(px(27, row(70, 100, 0)), fall);
    // Unchanged: a horizontal line in the rise colour.
    const int y50 = row(50, 100, 0);
    EXPECT_EQ(px(40, y50), rise);
    EXPECT_EQ(px(54, y50), rise);
    EXPECT_EQ(px(40, y50 - 2), m_bg);
    // High mark: arrow from the left candle's high into the pane.
    EXPECT_EQ(px(12, y80), themeColor("ic_clr_kline_high_low_mark"));
}

TEST_F(DrawStyleTest, InvalidBarsAndValuesDrawNothing)
{
    // bar 0 valid, bar 1 flagged invalid, bar 2 NaN close, bar 3 "no value" high
    const auto cache = makeCache(
        {{"KLINE", 12, {{40, 40, 40, 40}, {60, 60, 60, DBL_MAX}, {30, 30, 30, 30}, {50, 50, kNaN, 50}}}},
        {1, 0, 1, 1});
    QPainter p(&m_image);
    m_style.drawKLine(p, ctx(100, 0), cache, 0, true);
    m_style.drawSimpleLine(p, ctx(100, 0), makeCache({{"L", 0, {{DBL_MAX, -DBL_MAX, kNaN}}}}), 0);
    m_style.drawVolStick(p, ctx(100, 0), makeCache({{"V", 10, {{kNaN, 10, 10}}}}, {1, 0, 0}), 0);
    p.end();
    EXPECT_FALSE(columnsBlank(0, 19));
    EXPECT_TRUE(columnsBlank(20, 199));
}

TEST_F(DrawStyleTest, OnlyWindowBarsAreDrawn)
{
    std::vector<double> v(30, 50.0);
    const auto cache = makeCache({{"V", 10, {v}}});
    QPainter p(&m_image);
    // Bars 2..4 in the first three of ten slots; bars before and after stay out.
    m_style.drawVolStick(p, ctx(100, 0, 2, 4), cache, 0);
    p.end();
    EXPECT_FALSE(columnsBlank(0, 14));
    EXPECT_FALSE(columnsBlank(40, 54));
    EXPECT_TRUE(columnsBlank(55, 199));

    // A window longer than its slots stops at the last slot (no clip set).
    m_image.fill(m_bg);
    QPainter q(&m_image);
    m_style.drawVolStick(q, CDrawContext(QRect(0, 0, 100, 100), 100, 0, 0, 29, 4, 7), cache, 0);
    q.end();
    EXPECT_FALSE(columnsBlank(80, 94));
    EXPECT_TRUE(columnsBlank(100, 199));

    // A series that starts inside the visible window: a negative first leaves the
    // left slots empty.
    m_image.fill(m_bg);
    QPainter r(&m_image);
    m_style.drawVolStick(r, ctx(100, 0, -5, 4), cache, 0);
    r.end();
    EXPECT_TRUE(columnsBlank(0, 99));
    EXPECT_FALSE(columnsBlank(100, 114));
}

TEST_F(DrawStyleTest, ColorStickRedAboveGreenBelowZero)
{
    const auto cache = makeCache({{"MACD", 2, {{50, -50}}}});
    {
        QPainter p(&m_image);
        m_style.drawColorStick(p, ctx(100, -100), cache, 0);
    }
    const int zero = row(0, 100, -100);
    EXPECT_EQ(px(7, (zero + row(50, 100, -100)) / 2), themeColor("clr_global_rise"));
    EXPECT_EQ(px(27, (zero + row(-50, 100, -100)) / 2), themeColor("clr_global_fall"));
    EXPECT_EQ(px(7, zero + 5), m_bg);
    EXPECT_EQ(px(27, zero - 5), m_bg);
    EXPECT_EQ(px(7, row(50, 100, -100) - 1), m_bg);
}

TEST_F(DrawStyleTest, VolumeSticksStandOnBottomColouredByCandle)
{
    auto cache = makeCache({{"VOLUME", 10, {{50, 30}}}});
    quoter::CBar up;
    up.open = 10;
    up.close = 11;
    quoter::CBar down;
    down.open = 11;
    down.close = 10;
    cache.result->basicData = {up, down};
    {
        QPainter p(&m_image);
        m_style.drawVolStick(p, ctx(100, 0), cache, 0);
    }
    const QColor rise = themeColor("clr_global_rise");
    const QColor fall = themeColor("clr_global_fall");
    EXPECT_EQ(px(7, 99), rise);
    EXPECT_EQ(px(0, 80), rise);
    EXPECT_EQ(px(7, 80), m_bg); // hollow
    EXPECT_EQ(px(7, row(50, 100, 0)), rise);
    EXPECT_EQ(px(7, row(50, 100, 0) - 1), m_bg);
    EXPECT_EQ(px(27, 99), fall);
    EXPECT_EQ(px(27, 90), fall); // filled
    EXPECT_EQ(px(27, row(30, 100, 0) - 1), m_bg);
}

TEST_F(DrawStyleTest, LinePassesThroughBarCentresAndBreaksAtGaps)
{
    const std::vector<double> v = {10, 30, 20, 80, 60, kNaN, 40, 50, 45, 90};
    const auto cache = makeCache({{"MA5", 0, {v}}, {"MA10", 0, {v}, 0x00FF0000u}});
    {
        QPainter p(&m_image);
        m_style.drawSimpleLine(p, ctx(100, 0), cache, 0);
    }
    const QColor line = CDrawStyle::defaultLineColor(0);
    EXPECT_EQ(line, themeColor("ic_clr_index_default_line_1"));
    // The raster engine may settle a sharp vertex one row off its exact point.
    for (int b = 0; b < 10; ++b) {
        if (b == 5)
            continue;
        const int x = 7 + 20 * b;
        const int y = row(v[size_t(b)], 100, 0);
        EXPECT_TRUE(px(x, y) == line || px(x, y - 1) == line || px(x, y + 1) == line) << "bar " << b;
    }
    EXPECT_EQ(px(7, row(10, 100, 0)), line); // the ends are exact
    EXPECT_EQ(px(187, row(90, 100, 0)), line);
    EXPECT_TRUE(columnsBlank(88, 126)); // between bar 4 and bar 6
    EXPECT_FALSE(columnsBlank(67, 87));

    // The meta colour (0x00BBGGRR) wins over the palette.
    m_image.fill(m_bg);
    {
        QPainter p(&m_image);
        m_style.drawSimpleLine(p, ctx(100, 0), cache, 1);
    }
    EXPECT_EQ(px(7, row(10, 100, 0)), QColor(0, 0, 255));

    // A superposed line is scaled; the same output not superposed is not.
    m_image.fill(m_bg);
    {
        QPainter p(&m_image);
        m_style.drawSimpleLine(p, ctx(100, 0), cache, 0, Qt::SolidLine, true, 0.5);
    }
    EXPECT_EQ(px(7 + 20 * 3, row(40, 100, 0)), line);
    EXPECT_EQ(px(7 + 20 * 3, row(80, 100, 0)), m_bg);
}

TEST_F(DrawStyleTest, DottedPenLeavesGapsSolidDoesNot)
{
    const auto cache = makeCache({{"L", 0, {std::vector<double>(10, 50.0)}}});
    const int y = row(50, 100, 0);
    auto gapsAndInk = [&](Qt::PenStyle pen) {
        m_image.fill(m_bg);
        {
            QPainter p(&m_image);
            m_style.drawSimpleLine(p, ctx(100, 0), cache, 0, pen);
        }
        int gaps = 0;
        int ink = 0;
        for (int x = 7; x <= 187; ++x)
            (px(x, y) == m_bg ? gaps : ink)++;
        return std::make_pair(gaps, ink);
    };
    const auto solid = gapsAndInk(Qt::SolidLine);
    EXPECT_EQ(solid.first, 0);
    const auto dotted = gapsAndInk(Qt::DotLine);
    EXPECT_GT(dotted.first, 30);
    EXPECT_GT(dotted.second, 30);
    const auto dashDot = gapsAndInk(Qt::DashDotLine);
    EXPECT_GT(dashDot.first, 20);
    EXPECT_GT(dashDot.second, dashDot.first);
}

TEST_F(DrawStyleTest, OtherShapesLandOnTheirBars)
{
    QPainter p(&m_image);
    // Vertical line at bar 2 only; full height.
    m_style.drawVertLine(p, ctx(100, 0), makeCache({{"V", 14, {{0, kNaN, 1}}}}), 0);
    // A dot at bar 4.
    m_style.drawCircleDot(p, ctx(100, 0), makeCache({{"D", 1, {{kNaN, kNaN, kNaN, kNaN, 50}}}}), 0);
    // STICKLINE at bar 6 between 20 and 40, full spacing, filled.
    Output stick{
        "S", 36, {{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 20}, {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 40}}};
    stick.param1 = 10;
    stick.color = 0x0000FF00u;
    m_style.drawStickKline(p, ctx(100, 0), makeCache({stick}), 0);
    // Up arrow icon at bar 8.
    m_style.drawIcon(p, ctx(100, 0), QStringLiteral("ic_img_arrow_up"),
                     makeCache({{"I", 26, {{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 50}}}}), 0);
    p.end();
    const QColor palette = CDrawStyle::defaultLineColor(0);
    EXPECT_EQ(px(47, 0), palette);
    EXPECT_EQ(px(47, 99), palette);
    EXPECT_TRUE(columnsBlank(0, 40));
    EXPECT_EQ(px(87, row(50, 100, 0)), palette);
    EXPECT_EQ(px(127, row(30, 100, 0)), QColor(0, 255, 0));
    EXPECT_EQ(px(127 - 9, row(30, 100, 0)), QColor(0, 255, 0)); // 19 px wide
    EXPECT_EQ(px(127, row(30, 100, 0) - 25), m_bg);
    EXPECT_FALSE(columnsBlank(165, 170));
}

TEST_F(DrawStyleTest, TickLineWithAverageAndTickVolume)
{
    const auto cache = makeCache({{"价格", 101, {{50, 50, 50, 50, 50}}},
                                  {"成交量", -1, {{1, 1, 1, 1, 1}}},
                                  {"均价", 0, {{30, 30, 30, 30, 30}}}});
    {
        QPainter p(&m_image);
        m_style.drawTick(p, ctx(100, 0, 0, 4), cache, 0, 90.0, DBL_MAX);
    }
    EXPECT_EQ(px(50, row(50, 100, 0)), themeColor("ic_clr_tick_price_line"));
    EXPECT_EQ(px(50, row(30, 100, 0)), themeColor("ic_clr_tick_average_line"));
    EXPECT_GT(countColor(themeColor("clr_global_rise")), 30); // upper limit, dotted

    m_image.fill(m_bg);
    auto vol = makeCache({{"VOL", 10, {{10, 10, 10}}}});
    quoter::CBar a, b, c;
    a.close = 10;
    b.close = 11;
    c.close = 10.5;
    vol.result->basicData = {a, b, c};
    {
        QPainter p(&m_image);
        m_style.drawTickVolStick(p, ctx(100, 0), vol, 0, 10.0);
    }
    EXPECT_EQ(px(7, 99), themeColor("ic_clr_kline_axis_text")); // unchanged against the previous close
    EXPECT_EQ(px(27, 99), themeColor("clr_global_rise"));
    EXPECT_EQ(px(47, 99), themeColor("clr_global_fall"));
    m_image.fill(m_bg);
    {
        QPainter p(&m_image);
        m_style.drawTickVolStickNew(p, ctx(100, 0), vol, 0, 10.0);
    }
    EXPECT_EQ(px(47, 99), themeColor("clr_global_rise")); // above the previous close
}

TEST_F(DrawStyleTest, BadInputIsASilentNoOp)
{
    const auto cache = makeCache({{"L", 0, {{1, 2, 3}}}});
    const RPCFormulaResultCache empty;
    QPainter p(&m_image);
    for (const RPCFormulaResultCache* c : {&cache, &empty}) {
        for (int output : {-1, 7}) {
            m_style.drawKLine(p, ctx(3, 1), *c, output);
            m_style.drawSimpleLine(p, ctx(3, 1), *c, output);
            m_style.drawSegmentLine(p, ctx(3, 1), *c, output);
            m_style.drawHorizontalBrokenLine(p, ctx(3, 1), *c, output);
            m_style.drawVertLine(p, ctx(3, 1), *c, output);
            m_style.drawBoolLine(p, ctx(3, 1), *c, output);
            m_style.drawCircleDot(p, ctx(3, 1), *c, output);
            m_style.drawColorStick(p, ctx(3, 1), *c, output);
            m_style.drawVolStick(p, ctx(3, 1), *c, output);
            m_style.drawStackVolstick(p, ctx(3, 1), *c, output);
            m_style.drawTickVolStick(p, ctx(3, 1), *c, output, 1.0);
            m_style.drawStickKline(p, ctx(3, 1), *c, output);
            m_style.drawText(p, ctx(3, 1), *c, output);
            m_style.drawTextEx(p, ctx(3, 1), *c, output);
            m_style.drawIcon(p, ctx(3, 1), QStringLiteral("ic_img_arrow_up"), *c, output);
            m_style.drawNumber(p, ctx(3, 1), *c, output);
            m_style.drawTick(p, ctx(3, 1), *c, output);
        }
    }
    // Empty window, empty rectangle, a window wholly past the data.
    m_style.drawSimpleLine(p, ctx(3, 1, 5, 2), cache, 0);
    m_style.drawSimpleLine(p, CDrawContext(QRect(), 3, 1, 0, 2, 2, 1), cache, 0);
    m_style.drawSimpleLine(p, ctx(3, 1, 10, 19), cache, 0);
    p.end();
    EXPECT_TRUE(columnsBlank(0, 199));
}

TEST_F(DrawStyleTest, StackedVolumeStacksColumns)
{
    const auto cache = makeCache({{"STACK", 42, {{20}, {30}}}});
    {
        QPainter p(&m_image);
        m_style.drawStackVolstick(p, ctx(100, 0), cache, 0);
    }
    EXPECT_EQ(px(7, row(10, 100, 0)), CDrawStyle::defaultLineColor(0));
    EXPECT_EQ(px(7, row(35, 100, 0)), CDrawStyle::defaultLineColor(1));
    EXPECT_EQ(px(7, row(55, 100, 0)), m_bg);
}

TEST(DataToYAxisTest, EndpointsMiddleAndFlatRange)
{
    EXPECT_EQ(TC::dataToYAxis(100, 10, 110, 100, 0), 10.0);
    EXPECT_EQ(TC::dataToYAxis(0, 10, 110, 100, 0), 110.0);
    EXPECT_EQ(TC::dataToYAxis(50, 10, 110, 100, 0), 60.0);
    EXPECT_EQ(TC::dataToYAxis(50, 0, 99, 100, 0), 49.0); // 49.5 truncated
    EXPECT_EQ(TC::dataToYAxis(7, 0, 99, 5, 5), 49.0);    // flat: the middle row
    EXPECT_EQ(TC::dataToYAxis(-3, 0, 100, -1, -5), 50.0);
    EXPECT_TRUE(std::isnan(TC::dataToYAxis(DBL_MAX, 0, 99, 100, 0)));
    EXPECT_TRUE(std::isnan(TC::dataToYAxis(kNaN, 0, 99, 100, 0)));
    EXPECT_TRUE(std::isnan(TC::dataToYAxis(1, 0, 99, kNaN, 0)));
    // Far outside values stay representable.
    EXPECT_EQ(TC::dataToYAxis(1e300, 0, 99, 100, 0), -100000.0);
    EXPECT_EQ(TC::dataToYAxis(-1e300, 0, 99, 100, 0), 100099.0);
}

TEST(DataToYAxisTest, ContextRowsMatchTheFunction)
{
    const QRect r(0, 2, 640, 397);
    const CDrawContext c(r, 12.37, 9.81, 0, 99, 99, 2);
    for (int i = -50; i <= 350; ++i) {
        const double v = 9.81 + i * 0.0103;
        EXPECT_EQ(c.y(v), int(TC::dataToYAxis(v, r.top(), r.bottom(), 12.37, 9.81))) << v;
    }
    const CDrawContext flat(r, 5, 5, 0, 9, 9, 2);
    EXPECT_EQ(flat.y(5), int(TC::dataToYAxis(5, r.top(), r.bottom(), 5, 5)));
    // Bar centres follow the view model: trunc(slot * step) + hw.
    const CDrawContext x(QRect(0, 0, 1000, 100), 1, 0, 10, 39, 29, 11);
    EXPECT_EQ(x.x(10), 11);
    EXPECT_EQ(x.x(11), 33 + 11);
    EXPECT_EQ(x.x(39), int(29 * (1000.0 / 30)) + 11);
}

TEST(DrawStyleRangeTest, WindowSkipsInvalidAndOffScaleOutputs)
{
    const auto cache = makeCache({{"A", 0, {{1, 5, kNaN, 100, 3, DBL_MAX, 2}}},
                                  {"NODRAW", -1, {{1000, 1000, 1000, 1000, 1000, 1000, 1000}}},
                                  {"VLINE", 14, {{-1000, -1000, -1000, -1000, -1000, -1000, -1000}}}},
                                 {1, 1, 1, 0, 1, 1, 1});
    double max = -1;
    double min = -1;
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, 1, 6, cache));
    EXPECT_EQ(max, 5);
    EXPECT_EQ(min, 2);
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, -10, 100, cache)); // clamped to the data
    EXPECT_EQ(max, 5);
    EXPECT_EQ(min, 1);
    // Only invalid bars, or a window past the data: false, untouched.
    max = min = 42;
    EXPECT_FALSE(CDrawStyle::calcMaxMin(max, min, 2, 3, cache));
    EXPECT_FALSE(CDrawStyle::calcMaxMin(max, min, 7, 9, cache));
    EXPECT_FALSE(CDrawStyle::calcMaxMin(max, min, 4, 1, cache));
    EXPECT_FALSE(CDrawStyle::calcMaxMin(max, min, 0, 5, RPCFormulaResultCache()));
    EXPECT_EQ(max, 42);
    EXPECT_EQ(min, 42);
    // The one-output form ignores the style.
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, 0, 6, cache, 2));
    EXPECT_EQ(max, -1000);
    EXPECT_FALSE(CDrawStyle::calcMaxMin(max, min, 0, 6, cache, 9));
}

// Flags shorter than the bars (the bars past them count as valid), cleared
// flags, every kind of missing value and a scale that overflows: the range
// of each window must be what a plain walk over the bars finds.
TEST(DrawStyleRangeTest, EveryWindowMatchesAPlainWalk)
{
    const int bars = 300;
    std::vector<double> a(bars);
    std::vector<double> b(bars);
    quint32 seed = 4242;
    auto next = [&]() {
        seed = seed * 1664525u + 1013904223u;
        return double(seed >> 8) / double(1u << 24);
    };
    const double missing[] = {kNaN, DBL_MAX, -DBL_MAX, std::numeric_limits<double>::infinity()};
    for (int i = 0; i < bars; ++i) {
        a[size_t(i)] = (next() - 0.5) * 200.0;
        b[size_t(i)] = next() < 0.1 ? missing[i % 4] : (next() - 0.5) * 1.7e308 * 2.0; // * 3 may overflow
    }
    std::vector<int> flags(200, 1); // bars 200.. have no flag
    for (int i = 0; i < 200; i += 7)
        flags[size_t(i)] = 0;
    const auto cache = makeCache({{"LINE", 11, {a}}, {"BIG", 0, {b}}}, flags);
    auto plain = [&](int from, int to, double scale, double& hi, double& lo) {
        bool any = false;
        for (int i = std::max(from, 0); i <= std::min(to, bars - 1); ++i) {
            if (i < 200 && flags[size_t(i)] == 0)
                continue;
            for (const std::vector<double>* col : {&a, &b}) {
                const double v = (*col)[size_t(i)] * scale;
                if (!std::isfinite((*col)[size_t(i)]) || std::fabs((*col)[size_t(i)]) >= DBL_MAX ||
                    !std::isfinite(v) || std::fabs(v) >= DBL_MAX)
                    continue;
                hi = any ? std::max(hi, v) : v;
                lo = any ? std::min(lo, v) : v;
                any = true;
            }
        }
        return any;
    };
    const int windows[][2] = {{0, 299}, {0, 0}, {7, 7}, {190, 210}, {199, 200}, {250, 299}, {-5, 3}, {295, 400}};
    for (const double scale : {1.0, 3.0}) {
        for (const auto& w : windows) {
            double hi = 0.0;
            double lo = 0.0;
            double max = 0.0;
            double min = 0.0;
            const bool expected = plain(w[0], w[1], scale, hi, lo);
            ASSERT_EQ(CDrawStyle::calcMaxMin(max, min, w[0], w[1], cache, true, scale != 1.0, scale), expected)
                << w[0] << ".." << w[1];
            if (expected) {
                EXPECT_EQ(max, hi) << w[0] << ".." << w[1] << " scale " << scale;
                EXPECT_EQ(min, lo) << w[0] << ".." << w[1] << " scale " << scale;
            }
        }
    }
}

TEST(DrawStyleRangeTest, KLineColumnsScaleAndTickMode)
{
    const auto cache =
        makeCache({{"KLINE", 12, {{10, 11}, {12, 14}, {9, 10}, {11, 13}}}, {"DOT", 4, {{20, 20}}}});
    double max = 0;
    double min = 0;
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, 0, 1, cache));
    EXPECT_EQ(max, 20);
    EXPECT_EQ(min, 9);
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, 0, 1, cache, true, true, 2.0, true));
    EXPECT_EQ(max, 28);
    EXPECT_EQ(min, 18);
    // Superposed: K-lines scale, dotted lines do not.
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, 0, 1, cache, true, true, 2.0));
    EXPECT_EQ(max, 28);
    EXPECT_EQ(min, 18);
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, 0, 1, cache, true, true, 0.5));
    EXPECT_EQ(max, 20);
    // Tick mode reads only first columns (the open here).
    ASSERT_TRUE(CDrawStyle::calcMaxMin(max, min, 0, 1, cache, false));
    EXPECT_EQ(max, 20);
    EXPECT_EQ(min, 10);
}

TEST(DrawStyleTitleTest, PiecesUseDrawingColoursAndPreviousClose)
{
    KW::CUiResource::instance()->setTheme(QStringLiteral("dark"));
    const auto macd = makeCache(
        {{"DIF", 0, {{0.5, -0.25}}}, {"DEA", 0, {{0.1, 0.2}}, 0x0000FFFFu}, {"MACD", 2, {{0.8, -0.9}}}});
    const auto pieces = CDrawStyle::getTitleTextData(macd, 1, false);
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces[0].text, QStringLiteral("DIF: -0.25"));
    EXPECT_EQ(pieces[0].color, CDrawStyle::defaultLineColor(0)); // the line's colour, not the sign's
    EXPECT_EQ(pieces[1].color, QColor(255, 255, 0));
    EXPECT_EQ(pieces[2].color, themeColor("clr_global_fall"));
    EXPECT_EQ(CDrawStyle::getTitleText(macd, -1, false), QStringLiteral("DIF: -0.25 DEA: 0.20 MACD: -0.90"));
    EXPECT_EQ(CDrawStyle::getTitleText(macd, 0, false), QStringLiteral("DIF: 0.50 DEA: 0.10 MACD: 0.80"));

    const auto kline = makeCache({{"KLINE", 12, {{10, 11}, {12, 14}, {9, 10}, {11, 10.5}}}});
    const auto k = CDrawStyle::getTitleTextData(kline, 1, true);
    ASSERT_EQ(k.size(), 4);
    EXPECT_EQ(k[0].color, QColor(themeColor("clr_text_default"))); // open 11 == previous close 11
    EXPECT_EQ(k[1].color, themeColor("clr_global_rise"));
    EXPECT_EQ(k[2].color, themeColor("clr_global_fall"));
    EXPECT_EQ(k[3].arrow, -1);
    EXPECT_TRUE(CDrawStyle::getTitleTextData(RPCFormulaResultCache(), 0, false).isEmpty());
}

} // namespace
