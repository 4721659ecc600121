// Dense windows: more bars than pixel columns are drawn once per column.
#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include "common/OneOutputCache.h"
#include "platform/framework/CUiResource.h"
#include "platform/indexui/CDrawStyle.h"

using TC::CDrawContext;
using TC::CDrawStyle;
using TC::RPCFormulaResultCache;

namespace {

const unsigned kDefault = se::RPCFormulaMetaResult::kDefaultColor;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

QColor themeColor(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// One output of `style` over the given columns; `input` fills the input bars
// (open, close) that volume reads its colour from.
RPCFormulaResultCache makeCache(int style, const std::vector<std::vector<double>>& columns,
                                const std::vector<std::pair<double, double>>& input = {})
{
    ktest::OneOutput extra;
    extra.numberedNames = true;
    extra.input = input;
    return ktest::oneOutputCache(style, columns, extra);
}

// Counts what reaches the paint engine: calls and the primitives they carry.
class CountingEngine : public QPaintEngine
{
public:
    CountingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++calls; }
    void drawLines(const QLineF*, int n) override { ++calls, primitives += n; }
    void drawLines(const QLine*, int n) override { ++calls, primitives += n; }
    void drawRects(const QRectF*, int n) override { ++calls, primitives += n; }
    void drawRects(const QRect*, int n) override { ++calls, primitives += n; }
    void drawPoints(const QPointF*, int n) override { ++calls, primitives += n; }
    void drawPoints(const QPoint*, int n) override { ++calls, primitives += n; }
    void drawPolygon(const QPointF*, int n, PolygonDrawMode) override { ++calls, primitives += n; }
    void drawPolygon(const QPoint*, int n, PolygonDrawMode) override { ++calls, primitives += n; }
    void drawPath(const QPainterPath& p) override { ++calls, primitives += p.elementCount(); }
    void drawTextItem(const QPointF&, const QTextItem&) override { ++calls, ++primitives; }
    int calls = 0;
    int primitives = 0;
};

class CountingDevice : public QPaintDevice
{
public:
    CountingDevice(int w, int h) : m_w(w), m_h(h) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    CountingEngine& engine() const { return m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return m_w;
        case PdmHeight:
            return m_h;
        case PdmWidthMM:
            return m_w / 4;
        case PdmHeightMM:
            return m_h / 4;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 96;
        }
    }

private:
    int m_w;
    int m_h;
    mutable CountingEngine m_engine;
};

// 1000 bars into 100 columns, values 0..100 on rows 100..0 (y = 100 - v):
// bar b lands in column b / 10.
class DenseColumns : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_image = QImage(100, 101, QImage::Format_ARGB32);
        m_image.fill(Qt::black);
        m_ctx = CDrawContext(QRect(0, 0, 100, 101), 100.0, 0.0, 0, 999, 999, 0);
    }
    void TearDown() override { CDrawStyle::setColumnDrawing(true); }
    QColor at(int x, int y) const { return m_image.pixelColor(x, y); }
    // Rows of column x that are not background.
    std::pair<int, int> extent(int x) const
    {
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < m_image.height(); ++y)
            if (at(x, y) != QColor(Qt::black)) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        return {top, bottom};
    }
    QImage m_image;
    CDrawContext m_ctx;
    CDrawStyle m_style;
};

TEST_F(DenseColumns, CandleColumnsTakeFirstOpenExtremesAndLastClose)
{
    std::vector<double> o(1000, 50.0), h(1000, 55.0), l(1000, 45.0), c(1000, 50.0);
    // Column 3 (bars 30..39): opens 46, closes 54, falling bars between -> rising.
    o[30] = 46.0, c[30] = 47.0;
    for (int b = 31; b < 39; ++b)
        o[size_t(b)] = 50.0, c[size_t(b)] = 48.0;
    o[39] = 50.0, c[39] = 54.0;
    // Column 5 (bars 50..59): opens 54, closes 46, rising bars between -> falling.
    o[50] = 54.0, c[50] = 53.0;
    for (int b = 51; b < 59; ++b)
        o[size_t(b)] = 47.0, c[size_t(b)] = 53.0;
    o[59] = 50.0, c[59] = 46.0;
    // One bar's spike in column 7, one bar's dip in column 9.
    h[75] = 95.0;
    l[93] = 2.0;
    // Column 2 opens and closes level: unchanged reads as rising.
    const auto cache = makeCache(12, {o, h, l, c});
    {
        QPainter p(&m_image);
        m_style.drawKLine(p, m_ctx, cache, 0, true); // superposed: no price marks in the way
    }
    const QColor rise = themeColor("clr_global_rise");
    const QColor fall = themeColor("clr_global_fall");
    EXPECT_EQ(at(3, 50), rise);
    EXPECT_EQ(extent(3), std::make_pair(45, 55));
    EXPECT_EQ(at(5, 50), fall);
    EXPECT_EQ(extent(5), std::make_pair(45, 55));
    EXPECT_EQ(at(2, 50), rise);
    // The spike's high (row 5) shows in its column only.
    EXPECT_EQ(extent(7), std::make_pair(5, 55));
    EXPECT_EQ(extent(6), std::make_pair(45, 55));
    EXPECT_EQ(extent(8), std::make_pair(45, 55));
    // The dip's low (row 98).
    EXPECT_EQ(extent(9), std::make_pair(45, 98));
}

TEST_F(DenseColumns, HighLowMarksStillPointAtTheRealBars)
{
    std::vector<double> o(1000, 50.0), h(1000, 55.0), l(1000, 45.0), c(1000, 50.0);
    h[375] = 90.0; // column 37
    l[822] = 10.0; // column 82
    const auto cache = makeCache(12, {o, h, l, c});
    {
        QPainter p(&m_image);
        m_style.drawKLine(p, m_ctx, cache, 0, false);
    }
    const QColor mark = themeColor("ic_clr_kline_high_low_mark");
    // Arrows start two pixels beside the wick tip: right of column 37 (left
    // half of the pane), left of column 82.
    EXPECT_EQ(at(37 + 2, 10), mark);
    EXPECT_EQ(at(37 + 6, 10), mark);
    EXPECT_EQ(at(82 - 2, 90), mark);
    EXPECT_EQ(at(82 - 6, 90), mark);
}

TEST_F(DenseColumns, VolumeColumnShowsItsTallestStickInItsCandleColour)
{
    std::vector<double> vol(1000, 10.0);
    vol[44] = 90.0; // column 4
    std::vector<std::pair<double, double>> input(1000, {50.0, 50.0});
    // Column 4 falls from its first open to its last close, though its
    // tallest bar rose; column 6 rises though its middle bars fell.
    input[40] = {52.0, 51.0};
    input[44] = {40.0, 45.0};
    input[49] = {50.0, 48.0};
    input[60] = {48.0, 49.0};
    for (int b = 61; b < 69; ++b)
        input[size_t(b)] = {49.0, 47.0};
    input[69] = {47.0, 48.5};
    const auto cache = makeCache(10, {vol}, input);
    {
        QPainter p(&m_image);
        m_style.drawVolStick(p, m_ctx, cache, 0);
    }
    const QColor rise = themeColor("clr_global_rise");
    const QColor fall = themeColor("clr_global_fall");
    EXPECT_EQ(extent(4), std::make_pair(10, 100));
    EXPECT_EQ(at(4, 10), fall);
    EXPECT_EQ(extent(6), std::make_pair(90, 100));
    EXPECT_EQ(at(6, 95), rise);
    EXPECT_EQ(at(3, 95), rise); // level columns read as rising
}

TEST_F(DenseColumns, LineKeepsSingleBarDipsAndBreaksAtHoles)
{
    std::vector<double> v(1000, 50.0);
    v[563] = 5.0;                 // column 56
    v[701] = 95.0;                // column 70
    for (int b = 80; b < 90; ++b) // column 8: no value at all
        v[size_t(b)] = kNaN;
    const auto cache = makeCache(0, {v});
    {
        QPainter p(&m_image);
        m_style.drawSimpleLine(p, m_ctx, cache, 0);
    }
    const QColor line = CDrawStyle::outputColor(cache, 0);
    EXPECT_EQ(at(56, 95), line);
    EXPECT_EQ(extent(56), std::make_pair(50, 95));
    EXPECT_EQ(extent(70), std::make_pair(5, 50));
    EXPECT_EQ(extent(55), std::make_pair(50, 50));
    EXPECT_EQ(extent(8), std::make_pair(-1, -1)); // the hole is not bridged
    EXPECT_EQ(at(7, 50), line);
    EXPECT_EQ(at(9, 50), line);
}

// A second algorithm to hold the columns against: the per-bar path, stroke
// over stroke, and each column's value rows computed from the data.
TEST(DrawStyleDense, LinesAndColourSticksLoseNothingOfThePerBarPicture)
{
    const int bars = 10000;
    const size_t n = size_t(bars);
    std::vector<double> walk(n);
    std::vector<double> macd(n);
    quint32 seed = 99;
    double x = 0.0;
    for (int i = 0; i < bars; ++i) {
        seed = seed * 1664525u + 1013904223u;
        x += (double(seed >> 8) / double(1u << 24) - 0.5) * 4.0;
        walk[size_t(i)] = (i % 1777 == 5) ? kNaN : x; // a few holes
        macd[size_t(i)] = std::sin(i * 0.013) * 10.0 + (double(seed >> 20) / 4096.0 - 0.5) * 6.0;
    }
    const auto line = makeCache(0, {walk});
    const auto sticks = makeCache(2, {macd});
    double max = 0.0;
    double min = 0.0;
    CDrawStyle::calcMaxMin(max, min, 0, bars - 1, line, 0);
    const CDrawContext lineCtx(QRect(0, 0, 1600, 150), max, min, 0, bars - 1, bars - 1, 0);
    const CDrawContext stickCtx(QRect(0, 150, 1600, 150), 13.0, -13.0, 0, bars - 1, bars - 1, 0);
    auto render = [&](bool columns) {
        CDrawStyle::setColumnDrawing(columns);
        QImage image(1600, 300, QImage::Format_ARGB32);
        image.fill(Qt::black);
        CDrawStyle style;
        QPainter p(&image);
        style.drawSimpleLine(p, lineCtx, line, 0);
        style.drawColorStick(p, stickCtx, sticks, 0);
        p.end();
        CDrawStyle::setColumnDrawing(true);
        return image;
    };
    const QImage perColumn = render(true);
    const QImage perBar = render(false);
    const QRgb background = QColor(Qt::black).rgba();
    int lost = 0;
    int lit = 0;
    int litPerBar = 0;
    for (int yy = 0; yy < 150; ++yy)
        for (int xx = 0; xx < 1600; ++xx) {
            lost += perBar.pixel(xx, yy) != background && perColumn.pixel(xx, yy) == background;
            lit += perColumn.pixel(xx, yy) != background;
            litPerBar += perBar.pixel(xx, yy) != background;
        }
    EXPECT_EQ(lost, 0);
    EXPECT_GT(litPerBar, 1600);
    // Not bolder either: a few tie rows at most.
    EXPECT_LE(lit, litPerBar + litPerBar / 20) << lit << " against " << litPerBar;
    // Every column's highest and lowest value is on the picture: bar b sits
    // in column trunc(b * 1600 / 10000).
    int missing = 0;
    for (int col = 0; col < 1600; ++col) {
        double hi = -DBL_MAX;
        double lo = DBL_MAX;
        for (int b = (col * 10000 + 1599) / 1600; b < bars && b * 16 / 100 == col; ++b)
            if (walk[size_t(b)] == walk[size_t(b)]) {
                hi = std::max(hi, walk[size_t(b)]);
                lo = std::min(lo, walk[size_t(b)]);
            }
        if (hi < lo)
            continue;
        const double scale = 149.0 / (max - min);
        const int top = int(std::trunc(149.0 - (hi - min) * scale));
        const int bottom = int(std::trunc(149.0 - (lo - min) * scale));
        missing += perColumn.pixel(col, top) == background;
        missing += perColumn.pixel(col, bottom) == background;
    }
    EXPECT_EQ(missing, 0);
    // Sticks in one column overlap: the picture is the per-bar one exactly.
    EXPECT_TRUE(perColumn.copy(0, 150, 1600, 150) == perBar.copy(0, 150, 1600, 150));
}

TEST(DrawStyleDense, ALoneValueBetweenHolesStillShows)
{
    std::vector<double> v(1000, kNaN);
    v[505] = 40.0; // column 50, row 60
    const auto cache = makeCache(0, {v});
    QImage image(100, 101, QImage::Format_ARGB32);
    image.fill(Qt::black);
    CDrawStyle style;
    {
        QPainter p(&image);
        style.drawSimpleLine(p, CDrawContext(QRect(0, 0, 100, 101), 100.0, 0.0, 0, 999, 999, 0), cache, 0);
    }
    EXPECT_EQ(image.pixelColor(50, 60), CDrawStyle::outputColor(cache, 0));
    EXPECT_EQ(image.pixelColor(51, 60), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(49, 60), QColor(Qt::black));
}

TEST(DrawStyleDense, UpToOneBarPerColumnDrawsEveryBar)
{
    // 100 bars into 100 columns: the per-bar path, one primitive per bar.
    std::vector<double> v(100, 1.0);
    const auto cache = makeCache(2, {v});
    CountingDevice device(100, 100);
    CDrawStyle style;
    {
        QPainter p(&device);
        style.drawColorStick(p, CDrawContext(QRect(0, 0, 100, 100), 2.0, 0.0, 0, 99, 99, 0), cache, 0);
    }
    EXPECT_EQ(device.engine().primitives, 100);
    EXPECT_EQ(device.engine().calls, 1);
}

TEST(DrawStyleDense, PaintWorkIsBoundedByTheWidth)
{
    const int bars = 10000;
    const int width = 1600;
    const size_t n = size_t(bars);
    std::vector<double> o(n), h(n), l(n), c(n);
    std::vector<std::pair<double, double>> input(n);
    for (int i = 0; i < bars; ++i) {
        const double base = 100.0 + std::sin(i * 0.01) * 20.0;
        const bool up = (i * 7) % 3 == 0;
        o[size_t(i)] = up ? base - 1.0 : base + 1.0;
        c[size_t(i)] = up ? base + 1.0 : base - 1.0;
        h[size_t(i)] = base + 2.0;
        l[size_t(i)] = base - 2.0;
        input[size_t(i)] = {o[size_t(i)], c[size_t(i)]};
    }
    const auto candles = makeCache(12, {o, h, l, c});
    const auto line = makeCache(0, {c});
    const auto vol = makeCache(10, {h}, input);
    const auto sticks = makeCache(2, {l});
    const CDrawContext ctx(QRect(0, 0, width, 400), 130.0, 70.0, 0, bars - 1, bars - 1, 0);
    CDrawStyle style;
    auto count = [&](auto draw) {
        CountingDevice device(width, 400);
        QPainter p(&device);
        draw(p);
        p.end();
        return std::make_pair(device.engine().calls, device.engine().primitives);
    };
    // Candles: a line per column (bare bars), plus the two price marks.
    const auto k = count([&](QPainter& p) { style.drawKLine(p, ctx, candles, 0); });
    EXPECT_LE(k.second, width + 2 * 4);
    EXPECT_LE(k.first, 2 + 2 * 2);
    // A line: one stroke per column, one call.
    const auto s = count([&](QPainter& p) { style.drawSimpleLine(p, ctx, line, 0); });
    EXPECT_EQ(s.second, width);
    EXPECT_EQ(s.first, 1);
    // Volume: one stick per column, rising and falling in one call each.
    const auto v = count([&](QPainter& p) { style.drawVolStick(p, ctx, vol, 0); });
    EXPECT_EQ(v.second, width);
    EXPECT_LE(v.first, 2);
    const auto cs = count([&](QPainter& p) { style.drawColorStick(p, ctx, sticks, 0); });
    EXPECT_EQ(cs.second, width);
    EXPECT_EQ(cs.first, 1);
}

TEST(DrawStyleDense, ASpikeAmongTenThousandBarsLandsInItsColumn)
{
    // 10 000 bars into 1600 columns: bar 5000 sits in column 5000 * 0.16 = 800.
    const int bars = 10000;
    const size_t n = size_t(bars);
    std::vector<double> o(n, 50.0), h(n, 51.0), l(n, 49.0), c(n, 50.5);
    h[5000] = 99.0;
    const auto cache = makeCache(12, {o, h, l, c});
    QImage image(1600, 101, QImage::Format_ARGB32);
    image.fill(Qt::black);
    CDrawStyle style;
    {
        QPainter p(&image);
        style.drawKLine(p, CDrawContext(QRect(0, 0, 1600, 101), 100.0, 0.0, 0, bars - 1, bars - 1, 0), cache,
                        0, true);
    }
    const QColor rise = themeColor("clr_global_rise");
    EXPECT_EQ(image.pixelColor(800, 1), rise); // y(99) = 1
    EXPECT_EQ(image.pixelColor(799, 1), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(801, 1), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(799, 50), rise);
}

// One style object per series draws window after window: what it keeps of
// one window's columns must never show in the next. Each window drawn after
// others must look as a fresh object draws it alone.
TEST(DrawStyleDense, AStyleObjectFollowsItsWindowFromPaintToPaint)
{
    const int bars = 4000;
    const size_t n = size_t(bars);
    std::vector<double> walk(n), macd(n), vol(n);
    std::vector<std::pair<double, double>> input(n);
    quint32 seed = 7;
    double x = 50.0;
    for (int i = 0; i < bars; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double r = double(seed >> 8) / double(1u << 24) - 0.5;
        x += r * 3.0;
        walk[size_t(i)] = i % 613 == 3 ? kNaN : x;
        macd[size_t(i)] = r * 20.0;
        vol[size_t(i)] = 10.0 + std::fabs(r) * 80.0;
        input[size_t(i)] = {x, x + (i % 3 == 0 ? -1.0 : 1.0)};
    }
    const auto line = makeCache(0, {walk});
    const auto sticks = makeCache(2, {macd});
    const auto volume = makeCache(10, {vol}, input);
    // The same rectangle and bars with the window moved by a bar, a narrower
    // rectangle, a series that starts later in the window, fewer bars.
    const std::vector<CDrawContext> windows = {
        CDrawContext(QRect(0, 0, 500, 120), 110.0, -10.0, 0, 3999, 3999, 0),
        CDrawContext(QRect(0, 0, 500, 120), 110.0, -10.0, 1, 3999, 3998, 0),
        CDrawContext(QRect(0, 0, 430, 120), 110.0, -10.0, 1, 3999, 3998, 0),
        CDrawContext(QRect(10, 0, 430, 120), 110.0, -10.0, 1, 3999, 3998, 0),
        CDrawContext(QRect(0, 0, 500, 120), 110.0, -10.0, -300, 3699, 3999, 0),
        CDrawContext(QRect(0, 0, 500, 120), 110.0, -10.0, 0, 2999, 3999, 0, 700),
        CDrawContext(QRect(0, 0, 500, 120), 110.0, -10.0, 0, 1999, 1999, 0),
        CDrawContext(QRect(0, 0, 500, 120), 110.0, -10.0, 0, 3999, 3999, 0),
    };
    auto draw = [&](CDrawStyle& style, const CDrawContext& ctx) {
        QImage image(520, 120, QImage::Format_ARGB32);
        image.fill(Qt::black);
        QPainter p(&image);
        style.drawVolStick(p, ctx, volume, 0);
        style.drawColorStick(p, ctx, sticks, 0);
        style.drawSimpleLine(p, ctx, line, 0);
        p.end();
        return image;
    };
    CDrawStyle kept;
    for (size_t w = 0; w < windows.size(); ++w) {
        CDrawStyle fresh;
        const QImage expected = draw(fresh, windows[w]);
        EXPECT_TRUE(draw(kept, windows[w]) == expected) << "window " << w;
    }
}

} // namespace

TEST(DrawStyleDense, StrokesFilledIntoAnImageHaveTheRasterisersPixels)
{
    // Thin strokes and bodies go straight into an image's pixels; a pixmap
    // (or a clip of several rectangles) takes the rasteriser's path. Both
    // must agree under a shift and a clip, in a sparse window (bodies,
    // wicks, flat candles) and in a dense one (columns).
    for (const int bars : {60, 6000}) {
        const size_t n = size_t(bars);
        std::vector<double> walk(n);
        std::vector<double> macd(n);
        std::vector<double> volume(n);
        std::vector<double> open(n), high(n), low(n), close(n);
        std::vector<std::pair<double, double>> input(n);
        quint32 seed = 5;
        double x = 50.0;
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double o = x;
            x += (double(seed >> 8) / double(1u << 24) - 0.5) * 3.0;
            if (i % 9 == 4)
                x = o; // a flat candle: its body is a line
            walk[i] = (i % 701 == 3) ? kNaN : x;
            macd[i] = std::sin(double(i) * 0.2) * 8.0 + (double(seed >> 20) / 4096.0 - 0.5) * 5.0;
            volume[i] = 1000.0 + std::fabs(macd[i]) * 300.0;
            open[i] = o;
            close[i] = x;
            high[i] = std::max(o, x) + double(seed % 7) * 0.2;
            low[i] = std::min(o, x) - double(seed % 5) * 0.2;
            input[i] = {o, x};
        }
        const auto line = makeCache(0, {walk});
        const auto sticks = makeCache(2, {macd});
        const auto vol = makeCache(10, {volume}, input);
        const auto candles = makeCache(12, {open, high, low, close});
        double max = 0.0;
        double min = 0.0;
        CDrawStyle::calcMaxMin(max, min, 0, bars - 1, candles, 0);
        const int hw = bars < 900 ? 5 : 0;
        const CDrawContext priceCtx(QRect(0, 0, 900, 120), max, min, 0, bars - 1, bars - 1, hw);
        const CDrawContext stickCtx(QRect(0, 120, 900, 80), 11.0, -11.0, 0, bars - 1, bars - 1, hw);
        const CDrawContext volCtx(QRect(0, 200, 900, 80), 5000.0, 0.0, 0, bars - 1, bars - 1, hw);
        struct Case {
            const char* what;
            QPoint shift;
            QRegion clip;
        };
        QRegion twoRects(QRect(10, 0, 100, 280));
        twoRects += QRect(500, 30, 200, 100);
        const Case cases[] = {{"plain", {}, QRegion()},
                              {"shifted", {3, -2}, QRegion()},
                              {"clipped", {}, QRegion(QRect(301, 17, 240, 230))},
                              {"shifted and clipped", {-4, 5}, QRegion(QRect(600, 0, 400, 300))},
                              {"clip of two rectangles", {}, twoRects}};
        for (const Case& c : cases) {
            auto draw = [&](QPaintDevice& device) {
                CDrawStyle style;
                QPainter p(&device);
                p.fillRect(QRect(0, 0, 900, 280), Qt::black);
                p.translate(c.shift);
                if (!c.clip.isEmpty())
                    p.setClipRegion(c.clip);
                style.drawKLine(p, priceCtx, candles, 0, false, 1.0, 2);
                style.drawSimpleLine(p, priceCtx, line, 0);
                style.drawColorStick(p, stickCtx, sticks, 0);
                style.drawVolStick(p, volCtx, vol, 0);
            };
            QImage image(900, 280, QImage::Format_RGB32);
            draw(image);
            QPixmap pixmap(900, 280);
            draw(pixmap);
            const QImage reference = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
            EXPECT_TRUE(image == reference) << bars << " bars, " << c.what;
            // Something was drawn, inside the clip only (set after the shift).
            const QRegion deviceClip = c.clip.translated(c.shift);
            int lit = 0;
            int outside = 0;
            for (int yy = 0; yy < 280; ++yy)
                for (int xx = 0; xx < 900; ++xx) {
                    const bool on = image.pixel(xx, yy) != QColor(Qt::black).rgb();
                    lit += on;
                    outside += on && !c.clip.isEmpty() && !deviceClip.contains(QPoint(xx, yy));
                }
            EXPECT_GT(lit, 2000) << bars << " bars, " << c.what;
            EXPECT_EQ(outside, 0) << bars << " bars, " << c.what;
        }
    }
}
