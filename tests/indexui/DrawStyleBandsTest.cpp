// The formula language's own styles: bands filled between two columns in
// per-bar colours (44) and several lines in one output (43).
#include <cfloat>
#include <limits>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "common/OneOutputCache.h"
#include "platform/framework/CUiResource.h"
#include "platform/indexui/CDrawStyle.h"
#include "platform/indexui/DataToYAxis.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const unsigned kDefault = se::RPCFormulaMetaResult::kDefaultColor;

// One output of `style` with the given columns and per-bar colours.
TC::RPCFormulaResultCache cacheOf(int style, const std::vector<std::vector<double>>& columns,
                                  const std::vector<unsigned>& barColors = {})
{
    ktest::OneOutput extra;
    extra.barColors = barColors;
    return ktest::oneOutputCache(style, columns, extra);
}

class DrawStyleBandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KW::CUiResource::instance()->setTheme(QStringLiteral("dark"));
        m_bg = KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_graph_kline_bg"));
        m_image = QImage(200, 100, QImage::Format_RGB32);
        m_image.fill(m_bg);
    }
    // ten slots of 20 pixels, centres at 7, 27, 47, ...; values 0..100
    TC::CDrawContext ctx() const { return TC::CDrawContext(QRect(0, 0, 200, 100), 100, 0, 0, 9, 9, 7); }
    int y(double v) const { return int(TC::dataToYAxis(v, 0, 99, 100, 0)); }
    QColor px(int x, int yy) const { return m_image.pixelColor(x, yy); }

    TC::CDrawStyle m_style;
    QImage m_image;
    QColor m_bg;
};

} // namespace

TEST_F(DrawStyleBandsTest, BandsFillBetweenTheColumnsInTheLaterBarsColour)
{
    // bars 0-2 a band 80..20 (bar 1 red, bar 2 blue), bar 3 missing, bar 4 alone
    const auto cache = cacheOf(44, {{80, 80, 80, kNaN, 60, kNaN}, {20, 20, 20, kNaN, 20, kNaN}},
                               {kDefault, 0x0000FFu, 0xFF0000u, kDefault, kDefault, kDefault});
    {
        QPainter p(&m_image);
        m_style.drawFillBand(p, ctx(), cache, 0);
    }
    EXPECT_EQ(px(17, 50), QColor(255, 0, 0));                   // between bars 0 and 1
    EXPECT_EQ(px(37, 50), QColor(0, 0, 255));                   // between bars 1 and 2
    EXPECT_EQ(px(17, y(80) - 3), m_bg);                         // nothing above the band
    EXPECT_EQ(px(17, y(20) + 3), m_bg);                         // nor below
    EXPECT_EQ(px(67, 50), m_bg);                                // no value: a gap
    EXPECT_EQ(px(87, 50), TC::CDrawStyle::defaultLineColor(0)); // a lone bar: a stroke
    EXPECT_EQ(px(84, 50), m_bg);
    EXPECT_EQ(px(87, y(60) - 3), m_bg);
    for (int x = 100; x < 200; ++x)
        ASSERT_EQ(px(x, 50), m_bg) << x;
}

TEST_F(DrawStyleBandsTest, EveryColumnIsItsOwnLine)
{
    const auto cache = cacheOf(43, {{10, 20, 30, kNaN, kNaN}, {kNaN, kNaN, 30, 40, 50}});
    {
        QPainter p(&m_image);
        m_style.drawLineColumns(p, ctx(), cache, 0);
    }
    const QColor c = TC::CDrawStyle::defaultLineColor(0);
    EXPECT_EQ(px(7, y(10)), c);
    EXPECT_EQ(px(47, y(30)), c);
    EXPECT_EQ(px(67, y(40)), c);
    EXPECT_EQ(px(87, y(50)), c);
    EXPECT_EQ(px(87, y(10)), m_bg);
    for (int x = 100; x < 200; ++x)
        for (int row = 0; row < 100; ++row)
            ASSERT_EQ(px(x, row), m_bg) << x << "," << row;
}
