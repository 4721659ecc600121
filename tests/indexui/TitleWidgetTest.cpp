#include <memory>

#include <QImage>
#include <QPixmap>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/indexui/IndexBaseData.h"
#include "platform/market/CDividAdjuster.h"

using TC::CIndexTitleWidget;
using TC::RPCFormulaResultCache;

namespace {

const char* const kStock = "SH600000";

// A series whose results are filled by the test, as the service would.
class CTestSeries : public TC::IndexBaseData
{
public:
    void put(const QString& formula, const RPCFormulaResultCache& cache)
    {
        m_data.insert(TC::CFormulaKey(QLatin1String(kStock), formula), cache);
    }
};

RPCFormulaResultCache computeDaily(const QString& formula)
{
    TC::CFormulaParam p;
    p.market = QStringLiteral("SH");
    p.code = QStringLiteral("600000");
    p.formula = formula;
    p.periodMs = 86400000;
    p.requestId = QStringLiteral("title|") + formula;
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    QString error;
    const bool ok = TC::CFormulaEngine::compute(p, meta, result, &error);
    EXPECT_TRUE(ok) << error.toStdString();
    return RPCFormulaResultCache(meta, result);
}

QString fmt(const RPCFormulaResultCache& c, int output, int bar, int k = 0)
{
    const int d = c.meta->decimals.size() > size_t(output) && c.meta->decimals[size_t(output)] >= 0
                      ? c.meta->decimals[size_t(output)]
                      : 2;
    return KW::formatDoubleNumber(c.value(output, bar, k), d, KW::kFormatUnits, false, QStringLiteral("--"));
}

bool hasColor(const QImage& img, const QColor& c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (QColor(img.pixel(x, y)).rgb() == c.rgb())
                return true;
    return false;
}

class TitleWidget : public ::testing::Test
{
protected:
    void SetUp() override
    {
        series = boost::make_shared<CTestSeries>();
        kline = computeDaily(QStringLiteral("KLINE"));
        macd = computeDaily(QStringLiteral("MACD"));
        ASSERT_TRUE(kline.isValid() && macd.isValid());
        ASSERT_GT(macd.barCount(), 30);
        series->put(QStringLiteral("KLINE"), kline);
        series->put(QStringLiteral("MACD"), macd);
    }

    boost::shared_ptr<CTestSeries> series;
    RPCFormulaResultCache kline;
    RPCFormulaResultCache macd;
};

} // namespace

TEST_F(TitleWidget, SubPaneShowsFormulaWithDefaultsAndValuesAtCursor)
{
    CIndexTitleWidget w(series, 1, 0, 0, nullptr);
    w.showIndex(QStringLiteral("macd"));
    const int bar = 20;
    w.updateIndexId(bar);
    QString expected = QStringLiteral("MACD(12,26,9)");
    for (int o = 0; o < macd.outputCount(); ++o)
        expected += QStringLiteral(" %1: %2").arg(QString::fromStdString(macd.meta->names[size_t(o)]),
                                                  fmt(macd, o, bar));
    EXPECT_EQ(w.titleText(), expected);

    // The newest bar for -1 and for a cursor past the data.
    const int last = macd.barCount() - 1;
    w.updateIndexId(-1);
    const QString newest = w.titleText();
    EXPECT_TRUE(newest.contains(QStringLiteral("DIF: ") + fmt(macd, 0, last))) << newest.toStdString();
    w.updateIndexId(last + 100);
    EXPECT_EQ(w.titleText(), newest);

    // A given parameter text wins over the catalogue, in either form.
    w.showIndex(QStringLiteral("MACD"), QStringLiteral("SHORT=5,LONG=20,MID=7"));
    EXPECT_TRUE(w.titleText().startsWith(QStringLiteral("MACD(5,20,7) DIF:")));
    EXPECT_EQ(w.shownIndexes(), QStringList{QStringLiteral("MACD")});
}

TEST_F(TitleWidget, MainPaneShowsPeriodExRightsAndOhlc)
{
    CIndexTitleWidget w(series, 0, 0, 1, nullptr);
    w.setPeroid(86400);
    w.showIndex(QStringLiteral("KLINE"));
    w.updateIndexId(10);
    const QString day = TC::getCycleName(TC::getPeriodIndex(86400));
    ASSERT_FALSE(day.isEmpty());
    const QString text = w.titleText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("KLINE ") + day + QLatin1Char(' ') + TC::getDrName(1) +
                                QStringLiteral(" OPEN: ") + fmt(kline, 0, 10, 0)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("CLOSE: ") + fmt(kline, 0, 10, 3)));

    w.setPeroid(300);
    w.setDrType(2);
    EXPECT_TRUE(w.titleText().startsWith(QStringLiteral("KLINE ") + TC::getCycleName(TC::getPeriodIndex(300)) +
                                         QLatin1Char(' ') + TC::getDrName(2)));

    // A sub-pane never shows period or ex-rights.
    CIndexTitleWidget sub(series, 1, 0, 1, nullptr);
    sub.showIndex(QStringLiteral("KLINE"));
    EXPECT_FALSE(sub.titleText().contains(TC::getDrName(1)));
}

TEST_F(TitleWidget, ShowHideClearStockAndSimpleTitle)
{
    CIndexTitleWidget w(series, 0, 0, 0, nullptr);
    w.showIndex(QStringLiteral("KLINE"));
    w.showIndex(QStringLiteral("MACD"));
    w.showIndex(QStringLiteral("MACD")); // no duplicate
    EXPECT_EQ(w.shownIndexes().size(), 2);
    w.hideIndex(QStringLiteral("kline"));
    w.hideIndex(QStringLiteral("NOTSHOWN"));
    EXPECT_TRUE(w.titleText().startsWith(QStringLiteral("MACD(12,26,9)")));

    auto stock = std::make_shared<qlservice::CInstrumentDetail>();
    stock->key = kStock;
    stock->code = "600000";
    stock->name = "浦发银行";
    w.setStock(stock);
    w.setAddStocks({QStringLiteral("SZ000001"), QStringLiteral(" ")});
    EXPECT_TRUE(w.titleText().startsWith(QStringLiteral("浦发银行 600000 SZ000001 MACD(12,26,9)")));

    w.setSimpleTitle(QStringLiteral("模型运行中"));
    EXPECT_EQ(w.titleText(), QStringLiteral("模型运行中"));
    w.setSimpleTitle(QString());
    EXPECT_TRUE(w.titleText().contains(QStringLiteral("MACD(12,26,9)")));

    w.clear();
    EXPECT_TRUE(w.titleText().isEmpty());
    EXPECT_TRUE(w.shownIndexes().isEmpty());
}

TEST_F(TitleWidget, NullSeriesAndMissingResultShowNamesOnly)
{
    CIndexTitleWidget w(boost::shared_ptr<TC::IndexBaseData>(), 1, 0, 0, nullptr);
    w.showIndex(QStringLiteral("MACD"));
    w.showIndex(QStringLiteral("  "));
    w.updateIndexId(5);
    EXPECT_EQ(w.titleText(), QStringLiteral("MACD(12,26,9)"));
    w.resize(400, w.titleHeight());
    EXPECT_FALSE(w.grab().isNull());
}

TEST_F(TitleWidget, HeightFollowsFontAndPaintsOutputColour)
{
    CIndexTitleWidget w(series, 1, 0, 0, nullptr);
    EXPECT_GT(w.titleHeight(), 8);
    EXPECT_EQ(w.height(), w.titleHeight());
    w.showIndex(QStringLiteral("MACD"));
    w.resize(1200, w.titleHeight());
    w.show();

    const unsigned raw = macd.meta->colors.empty() ? se::RPCFormulaMetaResult::kDefaultColor : macd.meta->colors[0];
    const QColor expected = raw != se::RPCFormulaMetaResult::kDefaultColor
                                ? QColor(int(raw & 0xff), int((raw >> 8) & 0xff), int((raw >> 16) & 0xff))
                                : KW::CUiResource::instance()->getColor(macd.value(0, macd.barCount() - 1) < 0
                                                                            ? QStringLiteral("ic_clr_index_default_fall")
                                                                            : QStringLiteral("ic_clr_index_default_rise"));
    const QImage img = w.grab().toImage();
    EXPECT_TRUE(hasColor(img, expected));
    const QColor bg = KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_graph_kline_bg"));
    EXPECT_EQ(QColor(img.pixel(img.width() - 2, 1)).rgb(), bg.rgb());

    // Selected: the framework's selection background.
    w.setShowTitleBg(true);
    const QColor sel = KW::CUiResource::instance()->getColor(QStringLiteral("clr_selection_background"));
    const QImage img2 = w.grab().toImage();
    EXPECT_EQ(QColor(img2.pixel(img2.width() - 2, 1)).rgb(), sel.rgb());
}

TEST_F(TitleWidget, ForcedMetaColourIsUsed)
{
    RPCFormulaResultCache coloured = macd;
    auto meta = std::make_shared<se::RPCFormulaMetaResult>(*macd.meta);
    meta->colors.assign(size_t(meta->outputCount()), 0x0000FFFFu); // yellow in 0x00BBGGRR
    coloured.meta = meta;
    series->put(QStringLiteral("MACD"), coloured);
    CIndexTitleWidget w(series, 1, 0, 0, nullptr);
    w.showIndex(QStringLiteral("MACD"));
    w.resize(1200, w.titleHeight());
    EXPECT_TRUE(hasColor(w.grab().toImage(), QColor(255, 255, 0)));
}
