// The option expectation overlay of the main pane: its buttons, their drag
// and what the pane draws for the expectation.
#include <climits>
#include <cmath>

#include "common/TestHelpers.h"
#include "pane/PaneTestSupport.h"
#include "platform/config/CUserConfig.h"
#include "platform/framework/CPushButton.h"
#include "platform/market/TraderCenter.h"

namespace {

using TC::CKLineGraphWidget;

// Options on SH600000 only: expiries on one day of the bars and three after
// them, and a price band inside the bars' range.
class FakeCenter : public qlservice::IDataCenter
{
public:
    std::set<int> dates{20240124, 20240207, 20240228, 20240327};
    bool band = true;
    double lo = 30.0;
    double up = 36.0;
    std::set<int> getDateSet(const std::string& key) const override
    {
        return key == "SH600000" ? dates : std::set<int>();
    }
    bool getWinnerPrices(const std::string& key, double& lower, double& upper) const override
    {
        if (!band || key != "SH600000")
            return false;
        lower = lo;
        upper = up;
        return true;
    }
};

int localMidnight(int y, int m, int d)
{
    return int(QDateTime(QDate(y, m, d), QTime(0, 0)).toSecsSinceEpoch());
}

class PaneWinner : public ptest::PaneFixture
{
protected:
    static constexpr int kBars = 30; // 2024-01-02 .. 2024-01-31
    static constexpr int kFuture = 70;

    void SetUp() override
    {
        // Settings stored by one test are not another's.
        config = std::make_shared<TC::CUserConfig>();
        scopedConfig.reset(new ktest::ScopedUserConfig(config));
        center = new FakeCenter;
        qlservice::TraderCenter::instance()->setDataCenter(center);
    }
    void TearDown() override
    {
        ptest::PaneFixture::TearDown();
        qlservice::TraderCenter::instance()->setDataCenter(nullptr);
        scopedConfig.reset();
    }
    // A 600x400 main pane in the mode with `type`, the window running
    // kFuture days past the last bar as the chart opens it in the mode.
    void enter(int type)
    {
        build(kBars, QSize(600, 400));
        ui->setOptionWinner(QStringLiteral("SH600000"), QString(), type);
        ui->setMaxDispIndex(kBars - 1 + kFuture);
        graph->refreshGraph();
        graph->update();
    }
    KW::CPushButton* button(int id) const { return graph->winnerButton(id); }
    QPoint centreOf(int id) const
    {
        KW::CPushButton* b = button(id);
        return b->pos() + b->rect().center();
    }
    // A move with the left button held, sent where the pressed button's
    // grab sends it (pane coordinates).
    void moveTo(int id, const QPoint& to)
    {
        KW::CPushButton* b = button(id);
        const QPoint local = to - b->pos();
        QMouseEvent move(QEvent::MouseMove, local, b->mapToGlobal(local), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(b, &move);
    }
    // Press on the button's centre, move through `to` (pane coordinates) in
    // steps, release there: what the user's drag does.
    void drag(int id, const QPoint& to, bool release = true)
    {
        KW::CPushButton* b = button(id);
        const QPoint from = centreOf(id);
        QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, from - b->pos());
        for (int k = 1; k <= 4; ++k)
            moveTo(id, from + (to - from) * k / 4);
        if (release)
            QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, to - b->pos());
    }
    // The value at row y by the value axis' mapping: max at the rectangle's
    // top row, min at its bottom row, linear between.
    double valueAtRow(int y) const
    {
        double max = 0.0;
        double min = 0.0;
        EXPECT_TRUE(series->paneRange(max, min));
        const QRect r = graph->rect();
        return min + double(r.bottom() - y) * (max - min) / double(r.bottom() - r.top());
    }
    static double toTick(double v) { return std::round(v / 0.01) * 0.01; }
    // The pane's own drawing without its child buttons.
    QImage paneOnly()
    {
        QPixmap pm(graph->size());
        graph->render(&pm, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        return pm.toImage().convertToFormat(QImage::Format_RGB32);
    }
    int lastTag() const { return ui->getLastTimeTag(); }
    const TC::CWinnerSetting& setting() const { return ui->winnerSetting; }

    FakeCenter* center = nullptr;
    std::shared_ptr<TC::CUserConfig> config;
    std::unique_ptr<ktest::ScopedUserConfig> scopedConfig;
};

// Visible buttons as a bit set: 1 upper, 2 lower, 4 start, 8 end.
int shown(const CKLineGraphWidget& g)
{
    int bits = 0;
    for (int i = 0; i < 4; ++i)
        if (g.winnerButton(1000 + i) && g.winnerButton(1000 + i)->isVisible())
            bits |= 1 << i;
    return bits;
}

TEST_F(PaneWinner, ButtonsFollowTheModeAndTheType)
{
    build(kBars, QSize(600, 400));
    EXPECT_EQ(graph->winnerButton(1000), nullptr); // created on first use
    const int expected[4] = {1 | 4 | 8, 2 | 4 | 8, 1 | 2 | 4 | 8, 1 | 2 | 4 | 8};
    for (int type = 0; type < 4; ++type) {
        ui->setOptionWinner(QStringLiteral("SH600000"), QString(), type);
        graph->refreshGraph();
        EXPECT_EQ(shown(*graph), expected[type]) << "type " << type;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(button(1000 + i)->parentWidget(), graph.get());
    }
    ui->optionExpectMode = 0;
    graph->refreshGraph();
    EXPECT_EQ(shown(*graph), 0);
    // Back on with a type the buttons had before.
    ui->setOptionWinner(QStringLiteral("SH600000"), QString(), 3);
    graph->refreshGraph();
    EXPECT_EQ(shown(*graph), 15);
}

TEST_F(PaneWinner, AnIndicatorPaneHasNoOverlay)
{
    build(kBars, QSize(600, 400), {"KLINE"}, 1);
    ui->setOptionWinner(QStringLiteral("SH600000"), QString(), 2);
    graph->refreshGraph();
    EXPECT_EQ(graph->winnerButton(1000), nullptr);
    EXPECT_TRUE(graph->winnerZoneRect().isNull());
}

TEST_F(PaneWinner, TheBandWidensThePriceRangeButNotAnIndicatorPanes)
{
    center->lo = 5.0;
    center->up = 60.0; // beyond the bars' range on both sides
    enter(0);
    double max = 0.0;
    double min = 0.0;
    ASSERT_TRUE(series->paneRange(max, min));
    // A tenth of the band beyond each price.
    EXPECT_DOUBLE_EQ(max, 60.0 + 5.5);
    EXPECT_DOUBLE_EQ(min, 5.0 - 5.5);

    ptest::CPaneSeries indicator(ui, 1, &sink);
    indicator.setFormulas({"KLINE"});
    indicator.book(TC::CFormulaKey("SH600000", "KLINE"), "indicator-id");
    auto meta = std::make_shared<se::RPCFormulaMetaResult>();
    auto result = std::make_shared<se::RPCFormulaResult>();
    ptest::klineRecords(ptest::dayTags(kBars), *meta, *result);
    indicator.formulaHistoryCallback(meta, result, "indicator-id", 1, QString(), false, true);
    indicator.calcDrawRange(graph->rect());
    double imax = 0.0;
    double imin = 0.0;
    ASSERT_TRUE(indicator.paneRange(imax, imin));
    ui->optionExpectMode = 0;
    series->calcDrawRange(graph->rect());
    ASSERT_TRUE(series->paneRange(max, min));
    EXPECT_DOUBLE_EQ(imax, max);
    EXPECT_DOUBLE_EQ(imin, min);
    EXPECT_LT(imax, 60.0);
}

TEST_F(PaneWinner, MissingValuesComeFromTheDataCentre)
{
    enter(0);
    EXPECT_DOUBLE_EQ(setting().lowerPrice, 30.0);
    EXPECT_DOUBLE_EQ(setting().upperPrice, 36.0);
    EXPECT_EQ(setting().startTimeTag, lastTag());
    // The listed expiry inside the bars is not a future one.
    EXPECT_EQ(setting().expireTimeTag, localMidnight(2024, 2, 7));
    EXPECT_EQ(setting().key, QStringLiteral("SH600000"));
}

TEST_F(PaneWinner, DraggingTheUpperButtonSetsThePriceAtTheReleaseRow)
{
    enter(0);
    const int lineY = series->yOfValue(setting().upperPrice, graph->rect());
    const int offset = centreOf(1000).y() - lineY; // the button keeps it
    const QPoint to(centreOf(1000).x(), 150);
    drag(1000, to, false);
    EXPECT_TRUE(graph->isWinnerDragging());
    EXPECT_EQ(QWidget::mouseGrabber(), button(1000));
    EXPECT_NEAR(setting().upperPrice, toTick(valueAtRow(150 - offset)), 1e-9);
    QTest::mouseRelease(button(1000), Qt::LeftButton, Qt::NoModifier, to - button(1000)->pos());
    EXPECT_FALSE(graph->isWinnerDragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_NEAR(setting().upperPrice, toTick(valueAtRow(150 - offset)), 1e-9);
    // The button followed its line.
    EXPECT_EQ(centreOf(1000).y() - series->yOfValue(setting().upperPrice, graph->rect()), offset);
    EXPECT_TRUE(graph->isExpectationShown()); // a drag is no click
}

TEST_F(PaneWinner, PricesStayInsideTheValueRange)
{
    enter(0);
    double max = 0.0;
    double min = 0.0;
    ASSERT_TRUE(series->paneRange(max, min));
    drag(1000, QPoint(centreOf(1000).x(), -200));
    EXPECT_LE(setting().upperPrice, max + 1e-9);
    EXPECT_GT(setting().upperPrice, max - 0.011);
}

TEST_F(PaneWinner, PairTypesKeepThePricesApart)
{
    for (int type : {2, 3}) {
        enter(type);
        const double lower = setting().lowerPrice;
        // The upper price dragged far below the lower one stops a tick above it.
        drag(1000, QPoint(centreOf(1000).x(), graph->height() - 20));
        EXPECT_NEAR(setting().upperPrice, lower + 0.01, 1e-9) << "type " << type;
        // And the lower one dragged above it stops a tick below.
        const double upper = setting().upperPrice;
        drag(1001, QPoint(centreOf(1001).x(), 10));
        EXPECT_NEAR(setting().lowerPrice, upper - 0.01, 1e-9) << "type " << type;
        EXPECT_LT(setting().lowerPrice, setting().upperPrice);
        TearDown();
        SetUp();
    }
}

TEST_F(PaneWinner, TheSingleDirectionTypeDoesNotBindTheUpperPriceToTheLower)
{
    enter(0);
    const int y = graph->height() - 30;
    const int offset = centreOf(1000).y() - series->yOfValue(setting().upperPrice, graph->rect());
    drag(1000, QPoint(centreOf(1000).x(), y));
    EXPECT_LT(setting().upperPrice, setting().lowerPrice);
    EXPECT_NEAR(setting().upperPrice, toTick(valueAtRow(y - offset)), 1e-9);
}

TEST_F(PaneWinner, TheRangeEndDraggedPastTheLastBarIsAFutureDayMatchedToAnExpiryOnRelease)
{
    enter(0);
    const int offset = centreOf(1003).x() - ui->getXAxisByIndex(kBars - 1 + 7, -1, -1); // at 2024-02-07
    // 20 days past the last bar (2024-01-31): 2024-02-20.
    const int x = ui->getXAxisByIndex(kBars - 1 + 20, -1, -1) + offset;
    drag(1003, QPoint(x, centreOf(1003).y()), false);
    const qint64 expected = QDateTime::fromSecsSinceEpoch(lastTag()).addDays(20).toSecsSinceEpoch();
    EXPECT_EQ(setting().expireTimeTag, expected);
    QTest::mouseRelease(button(1003), Qt::LeftButton, Qt::NoModifier, QPoint(x, 0) - button(1003)->pos());
    // The next listed expiry on or after 2024-02-20.
    EXPECT_EQ(setting().expireTimeTag, localMidnight(2024, 2, 28));
    EXPECT_EQ(ui->getIndexByTimeTag(setting().expireTimeTag), -1); // no bar has it
}

TEST_F(PaneWinner, TheRangeEndStopsAtTheLatestListedExpiry)
{
    enter(0);
    drag(1003, QPoint(graph->width() - ui->axisWidth - 2, centreOf(1003).y()));
    EXPECT_EQ(setting().expireTimeTag, localMidnight(2024, 3, 27));
    // And not before the range start.
    drag(1003, QPoint(2, centreOf(1003).y()));
    EXPECT_GE(setting().expireTimeTag, setting().startTimeTag);
    EXPECT_EQ(setting().expireTimeTag, localMidnight(2024, 2, 7)); // first listed after the last bar
}

TEST_F(PaneWinner, TheRangeStartStaysBetweenTheLastBarAndTheEnd)
{
    enter(0);
    drag(1002, QPoint(10, centreOf(1002).y()));
    EXPECT_EQ(setting().startTimeTag, lastTag());
    drag(1002, QPoint(graph->width() - ui->axisWidth - 2, centreOf(1002).y()));
    EXPECT_EQ(setting().startTimeTag, setting().expireTimeTag);
}

TEST_F(PaneWinner, ReleaseStoresTheSettingForTheNextTime)
{
    enter(1);
    drag(1001, QPoint(centreOf(1001).x(), 300));
    const TC::CWinnerSetting dragged = setting();
    TC::CWinnerSetting stored;
    ASSERT_TRUE(config->getWinnerSetting(QStringLiteral("SH600000"), 1, stored));
    EXPECT_DOUBLE_EQ(stored.lowerPrice, dragged.lowerPrice);
    EXPECT_EQ(stored.expireTimeTag, dragged.expireTimeTag);
    EXPECT_EQ(stored.type, 1);
    // Another type has its own setting.
    EXPECT_FALSE(config->getWinnerSetting(QStringLiteral("SH600000"), 0, stored));
    ui->winnerSetting = TC::CWinnerSetting();
    ui->setOptionWinner(QStringLiteral("SH600000"), QString(), 1);
    EXPECT_DOUBLE_EQ(ui->winnerSetting.lowerPrice, dragged.lowerPrice);
}

TEST_F(PaneWinner, AnotherInstrumentsSettingIsNotReused)
{
    enter(0);
    drag(1000, QPoint(centreOf(1000).x(), 90));
    ui->setStock(TC::CStockManager::getInstrumentDetail("SH600000"));
    ui->winnerSetting.key = QStringLiteral("SZ000001");
    graph->refreshGraph();
    EXPECT_DOUBLE_EQ(setting().upperPrice, 36.0);
}

TEST_F(PaneWinner, HidingTheButtonMidDragEndsTheDrag)
{
    enter(2);
    drag(1000, QPoint(centreOf(1000).x(), 60), false);
    ASSERT_TRUE(graph->isWinnerDragging());
    ui->setOptionWinner(QStringLiteral("SH600000"), QString(), 1); // no upper button
    graph->refreshGraph();
    EXPECT_FALSE(button(1000)->isVisible());
    EXPECT_FALSE(graph->isWinnerDragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(PaneWinner, EventsOfOtherIdsAreNotTheOverlays)
{
    enter(0);
    EXPECT_FALSE(graph->handleEvent(4, 999, 0, QString(), nullptr));
    EXPECT_FALSE(graph->handleEvent(5, 1002, 0, QString(), nullptr));
    EXPECT_FALSE(graph->handleEvent(7, 1000, 2, QString(), nullptr));
    // A move without a press changes nothing.
    const double upper = setting().upperPrice;
    EXPECT_TRUE(graph->handleEvent(3, 1000, 100, QStringLiteral("20"), nullptr));
    EXPECT_DOUBLE_EQ(setting().upperPrice, upper);
}

TEST_F(PaneWinner, DescriptionTextsPerType)
{
    enter(0);
    ui->winnerSetting.upperPrice = 36.5;
    ui->winnerSetting.lowerPrice = 30.25;
    ui->winnerSetting.expireTimeTag = localMidnight(2024, 2, 28);
    const QString name = QString::fromStdString(ui->curStock->name);
    const QString tail = QStringLiteral(", 下面方案区根据您的预期优选了部分能够获利的合约策略.");
    const QString expected[4] = {
        QStringLiteral("您预期%1在2024年02月28日到期之前会涨到36.50以上").arg(name) + tail,
        QStringLiteral("您预期%1在2024年02月28日到期之前会跌到30.25以下").arg(name) + tail,
        QStringLiteral("您预期%1在2024年02月28日到期之前价格会在30.25与36.50之间震荡").arg(name) + tail,
        QStringLiteral("您预期%1在2024年02月28日到期之前会跌到30.25以下或涨到36.50以上").arg(name) + tail,
    };
    const QString arrows[4] = {QStringLiteral("↑"), QStringLiteral("↓"), QStringLiteral("↑↓"),
                               QStringLiteral("↑↓")};
    for (int type = 0; type < 4; ++type) {
        ui->winnerType = type;
        const QStringList texts = graph->winnerDescriptionTexts();
        ASSERT_EQ(texts.size(), 2);
        EXPECT_EQ(texts.at(0), expected[type]);
        EXPECT_TRUE(texts.at(1).contains(arrows[type])) << texts.at(1).toStdString();
        EXPECT_TRUE(texts.at(1).contains(QStringLiteral("拖动")));
    }
    ui->winnerType = 2;
    ui->winnerSetting.upperPrice = std::nan("");
    EXPECT_EQ(graph->winnerDescriptionTexts().at(0),
              QStringLiteral("您预期%1在2024年02月28日到期之前价格会在30.25与非法值之间震荡").arg(name) +
                  tail);
    ui->winnerType = 7;
    EXPECT_TRUE(graph->winnerDescriptionTexts().isEmpty());
}

TEST_F(PaneWinner, TheDescriptionBoxShowsAndAClickOnAPriceButtonHidesIt)
{
    enter(0);
    QImage img = paneOnly();
    const QRect box = graph->winnerDescriptionRect();
    ASSERT_FALSE(box.isNull());
    EXPECT_EQ(box.size(), graph->descriptionPixmap().size());
    EXPECT_EQ(box.width(),
              KW::CUiResource::instance()->getSize(QStringLiteral("ic_siz_winner_discribe_width")));
    EXPECT_EQ(ptest::PaneFixture::at(img, box.left() + 1, box.top() + 1),
              colour("ic_clr_winner_discribe_bg"));
    EXPECT_LE(box.right(), graph->width() - ui->axisWidth);
    // Text in the box's foreground colour.
    bool text = false;
    for (int y = box.top(); y <= box.bottom() && !text; ++y)
        for (int x = box.left(); x <= box.right() && !text; ++x)
            text = QColor(img.pixel(x, y)) == colour("ic_clr_winner_discribe_fg");
    EXPECT_TRUE(text);

    const QPoint c = centreOf(1000) - button(1000)->pos();
    QTest::mouseClick(button(1000), Qt::LeftButton, Qt::NoModifier, c);
    EXPECT_FALSE(graph->isExpectationShown());
    img = paneOnly();
    EXPECT_TRUE(graph->winnerDescriptionRect().isNull());
    EXPECT_NE(ptest::PaneFixture::at(img, box.left() + 1, box.top() + 1),
              colour("ic_clr_winner_discribe_bg"));
    QTest::mouseClick(button(1000), Qt::LeftButton, Qt::NoModifier, c);
    EXPECT_TRUE(graph->isExpectationShown());
}

// Channel by channel between `a` and `b` (within rounding).
bool between(const QColor& v, const QColor& a, const QColor& b)
{
    auto in = [](int x, int p, int q) { return x >= std::min(p, q) - 1 && x <= std::max(p, q) + 1; };
    return in(v.red(), a.red(), b.red()) && in(v.green(), a.green(), b.green()) &&
           in(v.blue(), a.blue(), b.blue());
}

int distance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST_F(PaneWinner, LinesZonesAndMarkersAreDrawnWhereTheValuesAre)
{
    enter(0);
    ui->optionExpectMode = 0;
    graph->refreshGraph();
    const QImage base = paneOnly();
    ui->optionExpectMode = 1;
    graph->refreshGraph();
    const QImage img = paneOnly();

    const int yu = series->yOfValue(36.0, graph->rect());
    const int xs = ui->getXAxisByIndex(kBars - 1, -1, -1);
    const int xe = ui->getXAxisByIndex(kBars - 1 + 7, -1, -1); // 2024-02-07
    ASSERT_GT(xe - xs, 10);
    EXPECT_EQ(graph->winnerZoneRect(), QRect(QPoint(xs, 0), QPoint(xe, graph->height() - 1)));

    // The dotted line: about every other pixel of its row left of the range.
    const QColor dot = colour("ic_clr_winner_price_dotted_line");
    int dots = 0;
    for (int x = 0; x < xs; ++x)
        dots += QColor(img.pixel(x, yu)) == dot;
    EXPECT_GT(dots, xs / 4);
    EXPECT_LT(dots, xs * 3 / 4);
    // Nothing of it a row away.
    int near = 0;
    for (int x = 0; x < xs; ++x)
        near += QColor(img.pixel(x, yu + 2)) == dot;
    EXPECT_EQ(near, 0);

    // Split line on the price within the range and on the range's bounds.
    const QColor split = colour("ic_clr_winner_split_line");
    EXPECT_EQ(ptest::PaneFixture::at(img, xs + 3, yu), split);
    EXPECT_EQ(ptest::PaneFixture::at(img, xs, yu + 40), split);
    EXPECT_EQ(ptest::PaneFixture::at(img, xe, yu + 40), split);

    // Type 0: profit above the upper price, loss below, tinting what is under.
    const QColor profit = colour("ic_clr_winner_profit");
    const QColor loss = colour("ic_clr_winner_loss");
    const QColor above = ptest::PaneFixture::at(img, xs + 2, yu - 3);
    const QColor below = ptest::PaneFixture::at(img, xs + 2, yu + 3);
    EXPECT_TRUE(between(above, ptest::PaneFixture::at(base, xs + 2, yu - 3), profit));
    EXPECT_NE(above, ptest::PaneFixture::at(base, xs + 2, yu - 3));
    EXPECT_LT(distance(above, profit), distance(above, loss));
    EXPECT_TRUE(between(below, ptest::PaneFixture::at(base, xs + 2, yu + 3), loss));
    EXPECT_LT(distance(below, loss), distance(below, profit));
    // Outside the range the zones leave the picture alone.
    EXPECT_EQ(img.pixel(xe + 3, yu + 40), base.pixel(xe + 3, yu + 40));

    // Expiry markers at the bottom: a listed day among the bars and one past them.
    const QColor yellow = colour("ic_clr_graph_yellow");
    const int bottom = graph->height() - 1;
    EXPECT_EQ(ptest::PaneFixture::at(img, ui->getXAxisByIndex(22, -1, -1), bottom - 1), yellow); // 2024-01-24
    EXPECT_EQ(ptest::PaneFixture::at(img, ui->getXAxisByIndex(kBars - 1 + 28, -1, -1), bottom - 1),
              yellow); // 2024-02-28
    EXPECT_NE(ptest::PaneFixture::at(img, ui->getXAxisByIndex(kBars - 1 + 14, -1, -1), bottom - 1), yellow);
}

TEST_F(PaneWinner, TheLowerTypesZonesAreMirrored)
{
    enter(2);
    const QImage img = paneOnly();
    const int yu = series->yOfValue(setting().upperPrice, graph->rect());
    const int yl = series->yOfValue(setting().lowerPrice, graph->rect());
    const int xs = graph->winnerZoneRect().left();
    const QColor profit = colour("ic_clr_winner_profit");
    const QColor loss = colour("ic_clr_winner_loss");
    // Between the prices is the profit of selling the pair, outside is loss.
    const QColor mid = ptest::PaneFixture::at(img, xs + 2, (yu + yl) / 2);
    const QColor top = ptest::PaneFixture::at(img, xs + 2, yu - 3);
    const QColor low = ptest::PaneFixture::at(img, xs + 2, yl + 3);
    EXPECT_LT(distance(mid, profit), distance(mid, loss));
    EXPECT_LT(distance(top, loss), distance(top, profit));
    EXPECT_LT(distance(low, loss), distance(low, profit));
    // Both price lines are drawn.
    const QColor dot = colour("ic_clr_winner_price_dotted_line");
    int du = 0;
    int dl = 0;
    for (int x = 0; x < xs; ++x) {
        du += QColor(img.pixel(x, yu)) == dot;
        dl += QColor(img.pixel(x, yl)) == dot;
    }
    EXPECT_GT(du, xs / 4);
    EXPECT_GT(dl, xs / 4);
}

TEST_F(PaneWinner, NothingIsDrawnWhileAValueIsUnset)
{
    center->band = false; // no prices to start from
    build(kBars, QSize(600, 400));
    ui->setMaxDispIndex(kBars - 1 + kFuture);
    graph->refreshGraph();
    const QImage before = paneOnly();
    ui->setOptionWinner(QStringLiteral("SH600000"), QString(), 0);
    graph->refreshGraph();
    EXPECT_FALSE(setting().upperPrice > 0.0);
    EXPECT_EQ(paneOnly(), before);
    EXPECT_TRUE(graph->winnerZoneRect().isNull());
    EXPECT_EQ(shown(*graph), 1 | 4 | 8); // the buttons still offer the input
    // Once the prices are there, so is the overlay.
    ui->winnerSetting.upperPrice = 36.0;
    ui->winnerSetting.lowerPrice = 30.0;
    EXPECT_NE(paneOnly(), before);
    ui->winnerSetting.expireTimeTag = 0;
    EXPECT_EQ(paneOnly(), before);
}

} // namespace
