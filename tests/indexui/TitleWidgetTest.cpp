#include <array>
#include <memory>

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/framework/CPushButton.h"
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
    EXPECT_TRUE(w.titleText().startsWith(QStringLiteral("KLINE ") +
                                         TC::getCycleName(TC::getPeriodIndex(300)) + QLatin1Char(' ') +
                                         TC::getDrName(2)));

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

    const unsigned raw =
        macd.meta->colors.empty() ? se::RPCFormulaMetaResult::kDefaultColor : macd.meta->colors[0];
    const QColor expected =
        raw != se::RPCFormulaMetaResult::kDefaultColor
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

namespace {

// Stands for the pane: records what the title delivers and consumes it.
class CPaneStub : public KW::CEventDeliverer
{
public:
    bool handleEvent(int id, int p1, int p2, const QString& text, void*) override
    {
        events.push_back({id, p1, p2});
        texts.append(text);
        return true;
    }
    std::vector<std::array<int, 3>> events;
    QStringList texts;
};

KW::CPushButton* buttonWithId(const QWidget& w, int id)
{
    for (KW::CPushButton* b : w.findChildren<KW::CPushButton*>()) {
        if (b->id() == id)
            return b;
    }
    return nullptr;
}

QColor res(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

} // namespace

TEST_F(TitleWidget, CloseButtonDefaultsPerPaneTypeAndDeliversClose)
{
    CIndexTitleWidget main(series, 0, 0, 0, nullptr);
    CIndexTitleWidget sub(series, 1, 0, 0, nullptr);
    EXPECT_FALSE(main.closeButtonVisible());
    EXPECT_TRUE(sub.closeButtonVisible());
    EXPECT_FALSE(sub.toolButtonsVisible());

    CPaneStub pane;
    sub.setUpstream(&pane);
    sub.resize(400, sub.titleHeight());
    sub.show();
    KW::CPushButton* close = buttonWithId(sub, 100);
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(close->isVisible());
    // Right end, inside the bar.
    EXPECT_EQ(close->geometry().right(), sub.width() - 1);
    EXPECT_GE(close->y(), 0);
    EXPECT_LE(close->geometry().bottom(), sub.height() - 1);
    QTest::mouseClick(close, Qt::LeftButton);
    ASSERT_EQ(pane.events.size(), 1u);
    EXPECT_EQ(pane.events[0], (std::array<int, 3>{5, 100, 0}));
    EXPECT_TRUE(pane.texts[0].isEmpty());

    sub.setCloseBtnVisible(false);
    EXPECT_FALSE(sub.closeButtonVisible());
    EXPECT_FALSE(close->isVisible());
    EXPECT_EQ(sub.textRight(), sub.width());
}

TEST_F(TitleWidget, ToolButtonsDeliverTheirIdsAndStayRightOfTheText)
{
    CIndexTitleWidget w(series, 0, 0, 0, nullptr);
    CPaneStub pane;
    w.setUpstream(&pane);
    w.showIndex(QStringLiteral("KLINE"));
    w.showIndex(QStringLiteral("MACD"));
    w.resize(700, w.titleHeight());
    w.show();
    for (int id : {500, 501, 502, 503, 504, 103})
        ASSERT_FALSE(buttonWithId(w, id)->isVisible()) << id;

    w.setBtnToolVisible(true);
    EXPECT_TRUE(w.toolButtonsVisible());
    const QList<int> order{500, 501, 503, 504, 502, 103};
    int prevRight = -1;
    for (int id : order) {
        KW::CPushButton* b = buttonWithId(w, id);
        ASSERT_TRUE(b && b->isVisible()) << id;
        EXPECT_GT(b->x(), prevRight) << "buttons overlap at " << id;
        EXPECT_GE(b->x(), w.textRight());
        prevRight = b->geometry().right();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // No close button on the main pane: the group ends at the right edge.
    EXPECT_EQ(prevRight, w.width() - 1);
    ASSERT_EQ(pane.events.size(), size_t(order.size()));
    for (int i = 0; i < order.size(); ++i)
        EXPECT_EQ(pane.events[size_t(i)], (std::array<int, 3>{5, order[i], 0}));

    // The long title is clipped before the buttons: between the text's end
    // and the first button only background shows.
    const QImage img = w.grab().toImage();
    const QRgb bg = res("ic_clr_graph_kline_bg").rgb();
    const int first = buttonWithId(w, 500)->x();
    for (int x = w.textRight(); x < first; ++x)
        for (int y = 0; y < img.height(); ++y)
            ASSERT_EQ(img.pixel(x, y), bg) << x << "," << y;

    // Narrowing hides what no longer fits instead of overlapping.
    w.resize(60, w.titleHeight());
    int shown = 0;
    for (int id : order) {
        KW::CPushButton* b = buttonWithId(w, id);
        if (b->isVisible()) {
            ++shown;
            EXPECT_GE(b->x(), 0);
        }
    }
    EXPECT_LT(shown, order.size());
    EXPECT_TRUE(w.toolButtonsVisible());
    w.resize(700, w.titleHeight());
    for (int id : order)
        EXPECT_TRUE(buttonWithId(w, id)->isVisible()) << id;
}

TEST_F(TitleWidget, SimpleTitleModeAndAlias)
{
    CIndexTitleWidget w(series, 1, 0, 0, nullptr);
    w.showIndex(QStringLiteral("PYDEMO"));
    w.showIndex(QStringLiteral("MACD"));
    const QString full = w.titleText();

    w.setShowSimpleTitle(true);
    EXPECT_TRUE(w.isShowSimpleTitle());
    // Without a text: the first formula's bare name.
    EXPECT_EQ(w.titleText(), QStringLiteral("PYDEMO"));
    w.setSimpleTite(QStringLiteral("PYDEMO 等待运行"));
    EXPECT_EQ(w.titleText(), QStringLiteral("PYDEMO 等待运行"));
    w.setShowSimpleTitle(false);
    EXPECT_EQ(w.titleText(), full);
    EXPECT_EQ(w.simpleTitle(), QStringLiteral("PYDEMO 等待运行"));

    // The one-call form switches the mode with the text.
    w.setSimpleTitle(QStringLiteral("模型"));
    EXPECT_TRUE(w.isShowSimpleTitle());
    EXPECT_EQ(w.titleText(), QStringLiteral("模型"));
    w.setSimpleTitle(QString());
    EXPECT_FALSE(w.isShowSimpleTitle());
    EXPECT_EQ(w.titleText(), full);
}

TEST_F(TitleWidget, ClearAddStocksKeepsTheRest)
{
    CIndexTitleWidget w(series, 0, 0, 0, nullptr);
    auto stock = std::make_shared<qlservice::CInstrumentDetail>();
    stock->key = kStock;
    stock->code = "600000";
    stock->name = "浦发银行";
    w.setStock(stock);
    w.showIndex(QStringLiteral("MACD"));
    w.setAddStocks({QStringLiteral("SZ000001"), QStringLiteral("SH000001")});
    EXPECT_TRUE(w.titleText().contains(QStringLiteral("SZ000001 SH000001")));
    w.clearAddStocks();
    EXPECT_TRUE(w.addStocks().isEmpty());
    EXPECT_TRUE(w.titleText().startsWith(QStringLiteral("浦发银行 600000 MACD(12,26,9)")));
}

TEST_F(TitleWidget, ConciseBackgroundSelectionAndPopupPoint)
{
    CIndexTitleWidget w(series, 0, 0, 0, nullptr);
    w.resize(300, w.titleHeight());
    w.setConciseStyle(false);
    auto corner = [&w] {
        const QImage img = w.grab().toImage();
        return img.pixel(img.width() - 2, img.height() / 2);
    };
    EXPECT_EQ(corner(), res("ic_clr_graph_kline_bg").rgb());
    w.setConciseStyle(true);
    EXPECT_TRUE(w.isConciseStyle());
    EXPECT_EQ(corner(), res("ic_clr_concise_title_background").rgb());
    EXPECT_NE(res("ic_clr_concise_title_background").rgb(), res("ic_clr_graph_kline_bg").rgb());
    w.setShowTitleBg(true); // the selection wins
    EXPECT_EQ(corner(), res("clr_selection_background").rgb());

    w.move(40, 30);
    w.show();
    EXPECT_EQ(w.titleGlobalPoint(), w.mapToGlobal(QPoint(0, w.height())));
}

TEST_F(TitleWidget, ButtonsFollowThemeChanges)
{
    CIndexTitleWidget w(series, 1, 0, 0, nullptr);
    w.setBtnToolVisible(true);
    w.resize(500, w.titleHeight());
    w.show();
    ASSERT_TRUE(KW::CUiResource::instance()->setTheme(QStringLiteral("light")));
    const QRgb lightBg = res("ic_clr_graph_kline_bg").rgb();
    const QImage img = w.grab().toImage();
    KW::CUiResource::instance()->setTheme(QStringLiteral("dark"));
    EXPECT_EQ(img.pixel(2, img.height() / 2), lightBg);
    // Every button is still laid out inside the bar after the round trip.
    for (KW::CPushButton* b : w.findChildren<KW::CPushButton*>()) {
        EXPECT_TRUE(b->isVisible());
        EXPECT_LE(b->geometry().bottom(), w.height() - 1);
        EXPECT_EQ(b->height(), w.height() - 2);
    }
}

TEST_F(TitleWidget, ATitleTooLongLeavesOutWholePiecesNeverHalfAValue)
{
    const QRgb bg = res("ic_clr_graph_kline_bg").rgb();
    auto lastInk = [bg](const QImage& img, int right) {
        int last = -1;
        for (int x = 0; x < right && x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (img.pixel(x, y) != bg)
                    last = x;
        return last;
    };
    CIndexTitleWidget wide(series, 0, 0, 0, nullptr);
    wide.showIndex(QStringLiteral("MACD"));
    wide.updateIndexId(20);
    wide.resize(900, wide.titleHeight());
    const QImage full = wide.grab().toImage();
    const int fullEnd = lastInk(full, full.width());
    ASSERT_GT(fullEnd, 150);

    // Every width cutting through the title: the narrow title is the wide
    // one up to its last ink, and there the wide one has a gap between
    // pieces (3 or more blank columns), not the middle of a number.
    for (int width = 60; width < fullEnd; width += 7) {
        CIndexTitleWidget w(series, 0, 0, 0, nullptr);
        w.showIndex(QStringLiteral("MACD"));
        w.updateIndexId(20);
        w.resize(width, w.titleHeight());
        const QImage img = w.grab().toImage();
        const int end = lastInk(img, w.textRight());
        if (end < 0)
            continue;
        for (int x = 0; x <= end; ++x)
            for (int y = 0; y < img.height(); ++y)
                ASSERT_EQ(img.pixel(x, y), full.pixel(x, y)) << width << ": " << x << "," << y;
        for (int x = end + 1; x <= end + 3; ++x)
            for (int y = 0; y < full.height(); ++y)
                ASSERT_EQ(full.pixel(x, y), bg) << width << ": piece cut at " << end;
    }
}
