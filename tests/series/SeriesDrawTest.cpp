// The painter side of a series: value ranges, axis ticks and labels, the
// candles, the latest-price tag and the style-code dispatch, on real images.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include <cfloat>

#include <QImage>
#include <QPainter>

#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/indexui/CDrawContext.h"
#include "platform/framework/CUiResource.h"
#include "series/SeriesTestSupport.h"

using TC::CFormulaKey;
using TC::CKLineData;
using TC::RPCFormulaResultCache;

namespace {

QColor themeColor(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// A series whose results a test puts in directly.
class CDrawSeries : public CKLineData
{
public:
    using CKLineData::CKLineData;
    void put(const CFormulaKey& key, const RPCFormulaResultCache& cache)
    {
        m_data.insert(key, cache);
        if (!m_formulas.contains(key.formula))
            m_formulas << key.formula;
    }
};

RPCFormulaResultCache compute(const QString& formula, const QString& market, const QString& code,
                              qint64 period = 86400)
{
    TC::CFormulaParam p;
    p.market = market;
    p.code = code;
    p.formula = formula;
    p.periodMs = period * 1000;
    p.drType = 0;
    p.rangeStart = quoter::TimeSeq::TIME_START2;
    p.rangeEnd = quoter::TimeSeq::TIME_LASTED;
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    QString error;
    EXPECT_TRUE(TC::CFormulaEngine::compute(p, meta, result, &error)) << error.toStdString();
    return RPCFormulaResultCache(meta, result);
}

// One output of style `style` with the given values, one column.
RPCFormulaResultCache single(int style, const std::vector<double>& values)
{
    se::RPCFormulaMetaResult meta;
    meta.names = {"X"};
    meta.styles = {style};
    meta.colors = {se::RPCFormulaMetaResult::kDefaultColor};
    meta.widths = {1};
    meta.columns = {{0}};
    meta.nameGroups = {{"X"}};
    meta.decimals = {-1};
    meta.params1 = {0};
    meta.params2 = {0};
    se::RPCFormulaResult r;
    r.values = {values};
    r.columnMap = {{0, 0}};
    for (size_t i = 0; i < values.size(); ++i) {
        r.times.push_back({qint64(i) * 86400000, 0});
        r.barFlags.push_back(1);
    }
    r.texts.emplace_back();
    r.barColors.emplace_back();
    r.numbers.emplace_back();
    return RPCFormulaResultCache(meta, r);
}

struct DrawFixture : public ::testing::Test {
    stest::CChart chart{"SH600000"};
    boost::shared_ptr<CDrawSeries> series{new CDrawSeries(chart.ui, 0)};

    // Bar tags from the cache; the window shows the last `shown` bars.
    void showBars(const RPCFormulaResultCache& cache, int shown, int plotWidth = 500, int axisWidth = 60)
    {
        chart.ui->m_tradeDateList.clear();
        for (int i = 0; i < cache.barCount(); ++i)
            chart.ui->m_tradeDateList << cache.barTimeMs(i) / 1000;
        const int last = cache.barCount() - 1;
        chart.ui->setMinDispIndex(last - shown + 1);
        chart.ui->setMaxDispIndex(last);
        chart.ui->actualEnd = last;
        chart.ui->plotWidth = plotWidth;
        chart.ui->axisWidth = axisWidth;
    }
    QImage render(const QSize& size)
    {
        QImage img(size, QImage::Format_ARGB32);
        img.fill(themeColor("ic_clr_graph_kline_bg"));
        const QRect rect(QPoint(0, 0), size);
        series->calcDrawRange(rect);
        series->calcYAxis(rect);
        QPainter p(&img);
        series->drawSeries(p, rect);
        return img;
    }
};

TEST(SeriesDraw, TickDigitsFollowThePriceTick)
{
    EXPECT_EQ(CKLineData::tickDigits(0.01), 2);
    EXPECT_EQ(CKLineData::tickDigits(0.001), 3);
    EXPECT_EQ(CKLineData::tickDigits(0.5), 1);
    EXPECT_EQ(CKLineData::tickDigits(1.0), 0);
    EXPECT_EQ(CKLineData::tickDigits(0.0001), 4);
    EXPECT_EQ(CKLineData::tickDigits(DBL_MAX), 2);
    EXPECT_LE(CKLineData::tickDigits(1.0 / 3.0), 11);
}

TEST_F(DrawFixture, AHundredPixelPaneKeepsOneLabelledTickHalfway)
{
    series->put(CFormulaKey("SH600000", "MACD"), single(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    showBars(series->getData().first(), 10);
    series->calcDrawRange(QRect(0, 0, 300, 100));
    series->calcYAxis(QRect(0, 0, 300, 100));
    double max = 0, min = 0;
    ASSERT_TRUE(series->paneRange(max, min));
    ASSERT_EQ(series->axisTicks().size(), 1);
    EXPECT_EQ(series->axisTicks()[0].second, 49);
    EXPECT_DOUBLE_EQ(series->axisTicks()[0].first, (max + min) / 2);
    // Range: 10% margins limited by 10% of the magnitude.
    EXPECT_DOUBLE_EQ(max, std::min(10 + 0.9, 11.0));
    EXPECT_DOUBLE_EQ(min, std::max(1 - 0.9, 0.9));
}

TEST_F(DrawFixture, LabelsOfAShortPaneStayInsideItAndNeverOverlap)
{
    series->put(CFormulaKey("SH600000", "MACD"), single(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    showBars(series->getData().first(), 10);
    const int fh =
        QFontMetrics(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_kline_graph_axis_text")))
            .height();
    for (int h = 20; h <= 130; ++h) {
        render(QSize(560, h));
        const QVector<QRect> boxes = series->axisLabelRects();
        // Ticks at the very top and bottom of a short pane still get labels.
        if (h >= 2 * fh + 2 && series->axisTicks().size() >= 2) {
            EXPECT_GE(boxes.size(), 2) << h;
        }
        for (int i = 0; i < boxes.size(); ++i) {
            EXPECT_GE(boxes[i].top(), 0) << h;
            EXPECT_LE(boxes[i].bottom(), h - 1) << h;
            if (i > 0) {
                EXPECT_FALSE(boxes[i].intersects(boxes[i - 1])) << h;
            }
        }
    }
}

TEST_F(DrawFixture, AFlatSeriesHasOneTickInTheMiddleAndVolumeStandsOnZero)
{
    series->put(CFormulaKey("SH600000", "FLAT"), single(0, {5, 5, 5, 5}));
    showBars(series->getData().first(), 4);
    series->calcDrawRange(QRect(0, 0, 300, 200));
    series->calcYAxis(QRect(0, 0, 300, 200));
    ASSERT_EQ(series->axisTicks().size(), 1);
    EXPECT_EQ(series->axisTicks()[0].second, 99);

    auto vol = boost::shared_ptr<CDrawSeries>(new CDrawSeries(chart.ui, 1));
    vol->put(CFormulaKey("SH600000", "VOL"), compute("VOL", "SH", "600000"));
    vol->calcDrawRange(QRect(0, 0, 300, 200));
    double max = 0, min = 1;
    ASSERT_TRUE(vol->paneRange(max, min));
    EXPECT_EQ(min, 0.0);
    EXPECT_GT(max, 0.0);
}

TEST_F(DrawFixture, CandlesSitAtTheirBarsInRiseAndFallColours)
{
    const RPCFormulaResultCache k = compute("KLINE", "SH", "600000");
    series->put(CFormulaKey("SH600000", "KLINE"), k);
    showBars(k, 40);
    const QImage img = render(QSize(560, 300));
    double max = 0, min = 0;
    ASSERT_TRUE(series->paneRange(max, min));
    const QRect plot(0, 2, 500, 300 - 3);
    // Find one rising and one falling bar in the window and check the body
    // colour at the bar's centre column, halfway between open and close.
    bool rise = false, fall = false;
    for (int b = chart.ui->getMinDispIndex(); b <= chart.ui->getMaxDispIndex(); ++b) {
        const double open = k.value(0, b, 0);
        const double close = k.value(0, b, 3);
        if (std::fabs(close - open) < (max - min) / 20)
            continue; // bodies too thin to probe
        const int x = chart.ui->getXAxisByIndex(b, -1, -1);
        const int yo = TC::CDrawContext(plot, max, min, 0, 0, 0, 0).y(open);
        const int yc = TC::CDrawContext(plot, max, min, 0, 0, 0, 0).y(close);
        const QColor edge = img.pixelColor(x, (yo + yc) / 2);
        if (close > open && !rise) {
            // Rising bodies are hollow: the centre shows the wick or the background,
            // the left edge the rise colour.
            const int hw = std::max(0, int(500.0 / 40 * 0.35));
            EXPECT_EQ(img.pixelColor(x - hw, (yo + yc) / 2), themeColor("clr_global_rise")) << b;
            rise = true;
        } else if (close < open && !fall) {
            EXPECT_EQ(edge, themeColor("clr_global_fall")) << b;
            fall = true;
        }
    }
    EXPECT_TRUE(rise);
    EXPECT_TRUE(fall);
}

TEST_F(DrawFixture, TheLatestPriceTagShowsOnlyWithTheNewestBar)
{
    const RPCFormulaResultCache k = compute("KLINE", "SH", "600000");
    series->put(CFormulaKey("SH600000", "KLINE"), k);
    showBars(k, 40);
    const QColor tag = themeColor("ic_clr_kline_latest_price_text_bg");
    auto tagPixels = [&](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            n += img.pixelColor(500 + 58, y) == tag;
        return n;
    };
    EXPECT_GT(tagPixels(render(QSize(560, 300))), 8);
    const int last = chart.ui->getMaxDispIndex();
    chart.ui->setMinDispIndex(chart.ui->getMinDispIndex() - 1);
    chart.ui->setMaxDispIndex(last - 1);
    EXPECT_EQ(tagPixels(render(QSize(560, 300))), 0);
}

TEST_F(DrawFixture, SuperposedInstrumentsTurnThePriceLabelsIntoPercentages)
{
    const RPCFormulaResultCache k = compute("KLINE", "SH", "600000");
    series->put(CFormulaKey("SH600000", "KLINE"), k);
    showBars(k, 60);
    render(QSize(560, 300));
    QStringList labels = series->axisLabelTexts();
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_FALSE(labels.first().contains('%'));

    chart.ui->addStock(TC::CStockManager::getInstrumentDetail(QStringLiteral("SZ000651")));
    ASSERT_EQ(chart.ui->addStockList.size(), 1);
    series->put(CFormulaKey("SZ000651", "KLINE"), compute("KLINE", "SZ", "000651"));
    render(QSize(560, 300));
    labels = series->axisLabelTexts();
    ASSERT_FALSE(labels.isEmpty());
    for (const QString& l : labels)
        EXPECT_TRUE(l.endsWith('%')) << l.toStdString();
    // The superposed entry starts at the chart's opening level.
    const float scale = series->getSuperposScale(CFormulaKey("SZ000651", "KLINE"));
    const int f = chart.ui->getMinDispIndex();
    EXPECT_NEAR(series->getData()[CFormulaKey("SZ000651", "KLINE")].value(0, f, 0) * scale,
                k.value(0, f, 0), 0.01);
    // The tick chart keeps prices.
    chart.ui->tickGraph = true;
    render(QSize(560, 300));
    EXPECT_FALSE(series->axisLabelTexts().first().endsWith('%'));
}

TEST_F(DrawFixture, ALabelTheLatestPriceTagWouldHalfCoverIsLeftOut)
{
    const RPCFormulaResultCache k = compute("KLINE", "SH", "600000");
    series->put(CFormulaKey("SH600000", "KLINE"), k);
    showBars(k, 40);
    const QColor tag = themeColor("ic_clr_kline_latest_price_text_bg");
    const QColor text = themeColor("ic_clr_kline_axis_text");
    int collisions = 0;
    // Pane heights move the ticks past the tag until some label meets it.
    for (int h = 150; h < 420; h += 3) {
        const QImage img = render(QSize(560, h));
        int tagTop = -1;
        int tagBottom = -1;
        for (int y = 0; y < h; ++y)
            if (img.pixelColor(500 + 58, y) == tag) {
                tagTop = tagTop < 0 ? y : tagTop;
                tagBottom = y;
            }
        ASSERT_GE(tagTop, 0) << h;
        const QRect tagBox(500, tagTop, 60, tagBottom - tagTop + 1);
        for (const QRect& label : series->axisLabelRects()) {
            if (!label.intersects(tagBox))
                continue;
            ++collisions;
            // Outside the tag, where the label's text would show, nothing of it.
            for (int y = label.top(); y <= label.bottom(); ++y)
                for (int x = label.left(); x <= label.right() && x < 560; ++x) {
                    if (!tagBox.contains(x, y)) {
                        ASSERT_NE(img.pixelColor(x, y), text) << h << ": " << x << "," << y;
                    }
                }
        }
    }
    EXPECT_GT(collisions, 0);
}

TEST_F(DrawFixture, AxisLabelsTooWideForTheAxisDropDecimalsAndKeepTheirUnit)
{
    const RPCFormulaResultCache vol = compute("VOL", "SH", "600000");
    series->put(CFormulaKey("SH600000", "VOL"), vol);
    showBars(vol, 60);
    render(QSize(560, 300));
    const QStringList plain = series->axisLabelTexts();
    ASSERT_FALSE(plain.isEmpty());
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_kline_graph_axis_text")));
    const int width = fm.horizontalAdvance(QStringLiteral("888万"));
    const QStringList fitted = series->axisLabelTexts(&fm, width);
    ASSERT_EQ(fitted.size(), plain.size());
    bool shortened = false;
    for (int i = 0; i < plain.size(); ++i) {
        const QString unit = plain[i].right(1);
        if (unit == QStringLiteral("万") || unit == QStringLiteral("亿")) {
            EXPECT_TRUE(fitted[i].endsWith(unit)) << fitted[i].toStdString();
        }
        EXPECT_LE(fitted[i].size(), plain[i].size());
        // The same value, rounded: the integer part never changes by more
        // than the rounding.
        const double a = plain[i].left(plain[i].size() - 1).toDouble();
        const double b = fitted[i].left(fitted[i].size() - 1).toDouble();
        EXPECT_NEAR(a, b, 0.5) << plain[i].toStdString() << " " << fitted[i].toStdString();
        shortened = shortened || fitted[i] != plain[i];
    }
    EXPECT_TRUE(shortened);
}

// The axis labels a pane keeps from its last paint: a paint after the
// window, the pane size, the axis width or the percentage reference changed
// shows what a series painting that state for the first time shows.
TEST_F(DrawFixture, KeptAxisLabelsFollowEveryChangeOfThePane)
{
    const RPCFormulaResultCache kline = compute("KLINE", "SH", "600000");
    series->put(CFormulaKey("SH600000", "KLINE"), kline);
    struct State {
        int shown;
        QSize size;
        int axisWidth;
        bool superposed;
    };
    const State states[] = {{60, {560, 300}, 60, false}, {61, {560, 300}, 60, false},
                            {61, {560, 200}, 60, false}, {61, {560, 200}, 42, false},
                            {61, {560, 200}, 42, true},  {60, {560, 300}, 60, false}};
    for (const State& st : states) {
        chart.ui->addStockList.clear();
        if (st.superposed)
            chart.ui->addStock(TC::CStockManager::getInstrumentDetail(QStringLiteral("SZ000651")));
        showBars(kline, st.shown, st.size.width() - st.axisWidth, st.axisWidth);
        const QImage kept = render(st.size);
        const QStringList labels = series->axisLabelTexts();
        boost::shared_ptr<CDrawSeries> fresh(new CDrawSeries(chart.ui, 0));
        fresh->put(CFormulaKey("SH600000", "KLINE"), kline);
        std::swap(series, fresh);
        const QImage first = render(st.size);
        std::swap(series, fresh);
        EXPECT_TRUE(kept == first) << st.shown << " " << st.size.height() << " " << st.axisWidth;
        EXPECT_EQ(labels.size(), series->axisTicks().size());
        if (st.superposed) {
            ASSERT_FALSE(labels.isEmpty());
            EXPECT_TRUE(labels.first().endsWith('%')) << labels.first().toStdString();
        }
    }
}

TEST_F(DrawFixture, CodesWithoutADrawingLeaveThePlotUntouched)
{
    const std::vector<double> values{1, 5, 2, 8, 3, 9, 4, 7};
    showBars(single(0, values), 8);
    const QRect plot(0, 2, 500, 200);
    const QColor bg = themeColor("ic_clr_graph_kline_bg");
    for (int code : {3, 7, 9, 20, 21, 22, 23, 24, 25, 27, 40, 99, 103, -5}) {
        RPCFormulaResultCache cache = single(code, values);
        QImage img(560, 210, QImage::Format_ARGB32);
        img.fill(bg);
        QPainter p(&img);
        series->drawIndex(p, plot, 0, 7, CFormulaKey("SH600000", "X"), cache);
        p.end();
        bool clean = true;
        for (int y = 0; y < img.height() && clean; ++y)
            for (int x = 0; x < img.width() && clean; ++x)
                clean = img.pixelColor(x, y) == bg;
        EXPECT_TRUE(clean) << "code " << code;
    }
    // Code 0 does draw.
    RPCFormulaResultCache line = single(0, values);
    QImage img(560, 210, QImage::Format_ARGB32);
    img.fill(bg);
    QPainter p(&img);
    series->drawIndex(p, plot, 0, 7, CFormulaKey("SH600000", "X"), line);
    p.end();
    int drawn = 0;
    for (int x = 0; x < 500; ++x)
        for (int y = 0; y < 210; ++y)
            drawn += img.pixelColor(x, y) != bg;
    EXPECT_GT(drawn, 100);
}

TEST_F(DrawFixture, ATickSeriesDrawsOnlyItsFirstOutput)
{
    const RPCFormulaResultCache ticks = compute("TICKDATA", "SH", "600000", 0);
    ASSERT_GE(ticks.outputCount(), 3);
    ASSERT_GT(ticks.barCount(), 10);
    chart.ui->tickGraph = true;
    series->put(CFormulaKey("SH600000", "TICKDATA"), ticks);
    showBars(ticks, ticks.barCount());
    const QImage img = render(QSize(560, 300));
    // The price line is there; the volume output (drawn as sticks from the
    // bottom) is not: the bottom rows of the plot stay background except
    // where the price line itself passes.
    int line = 0;
    for (int x = 0; x < 500; ++x)
        for (int y = 0; y < 300; ++y)
            line += img.pixelColor(x, y) == themeColor("ic_clr_tick_price_line");
    EXPECT_GT(line, 50);
    int bottom = 0;
    for (int x = 0; x < 500; ++x)
        bottom += img.pixelColor(x, 297) != themeColor("ic_clr_graph_kline_bg");
    EXPECT_LT(bottom, 25);
}

TEST_F(DrawFixture, ValueMappingRoundTripsAndEmptyPanesHaveNoRange)
{
    double max = 0, min = 0;
    EXPECT_FALSE(series->paneRange(max, min));
    EXPECT_TRUE(std::isnan(series->valueAtIndex(3)));
    EXPECT_EQ(series->yOfValue(1.0, QRect(0, 0, 100, 100)), INT_MIN);

    const RPCFormulaResultCache k = compute("KLINE", "SH", "600000");
    series->put(CFormulaKey("SH600000", "KLINE"), k);
    showBars(k, 30);
    const QRect rect(0, 0, 500, 301);
    series->calcDrawRange(rect);
    const int last = k.barCount() - 1;
    EXPECT_DOUBLE_EQ(series->valueAtIndex(last), k.value(0, last, 3));
    const double v = series->valueAtIndex(last);
    const int y = series->yOfValue(v, rect);
    EXPECT_NEAR(series->valueAtY(y, rect), v, (k.value(0, last, 1) + 1) / 100.0);
    EXPECT_TRUE(std::isnan(series->valueAtIndex(-1)));
    EXPECT_TRUE(std::isnan(series->valueAtIndex(last + 5)));
}

} // namespace
