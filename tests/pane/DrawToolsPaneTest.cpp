// Drawing tools on a real pane: where each tool is drawn after zoom and
// scroll, drawing with the mouse, restart, Delete and the attribute dialog.
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTimer>

#include "dialogs/CGraphAttributeDialog.h"
#include "dialogs/CStockCodeLineEdit.h"
#include "pane/PaneTestSupport.h"
#include "platform/framework/CDrawGraphManager.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CPushButton.h"

namespace {

using KW::CGraphShape;

class DrawToolsPane : public ptest::PaneFixture
{
protected:
    void SetUp() override
    {
        TC::CDrawGraphManager::setGraphData("SH600000|86400", bson::BSONObj());
        KW::CMessageBox::setAutoAnswer(0);
    }
    void TearDown() override
    {
        KW::CMessageBox::setAutoAnswer(-1);
        TC::CKLineGraphWidget::setGraphAttributePrompt(nullptr);
        TC::CDrawGraphManager::setGraphData("SH600000|86400", bson::BSONObj());
        ptest::PaneFixture::TearDown();
    }
    void send(QEvent::Type type, QPointF p, Qt::MouseButtons held)
    {
        QMouseEvent e(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
        QApplication::sendEvent(graph.get(), &e);
    }
    void drag(QPointF from, QPointF to)
    {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    // The pixel of bar `bar` and value `v` as the chart's axes put it.
    QPointF at(int bar, double v) const
    {
        return QPointF(ui->getXAxisByIndex(bar, -1, -1), series->yOfValue(v, graph->rect()));
    }
    QPointF value(int bar, double v) const { return QPointF(double(ui->m_tradeDateList.at(bar)), v); }
    // The line colour within a pixel of `p` now, and not there before.
    static bool drawnAt(const QImage& img, const QImage& base, QPointF p)
    {
        const QColor line = colour("ic_clr_draw_graph_line");
        bool now = false, before = false;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const int x = int(std::lround(p.x())) + dx, y = int(std::lround(p.y())) + dy;
                now = now || QColor(img.pixel(x, y)) == line;
                before = before || QColor(base.pixel(x, y)) == line;
            }
        return now && !before;
    }
};

TEST_F(DrawToolsPane, EachToolIsDrawnAtItsBarsAndValuesAfterZoomAndScroll)
{
    build(30, QSize(420, 300));
    const int windows[3][2] = {{0, 29}, {4, 25}, {6, 27}}; // all, zoomed in, scrolled
    for (int type = CGraphShape::kFirstType; type <= CGraphShape::kLastType; ++type) {
        graph->clearGraphs();
        CGraphShape s;
        s.type = type;
        s.valueA = value(8, 20.0);
        s.valueB = value(16, 30.0);
        s.valueC = value(12, 18.0);
        s.text = "WWWW";
        ASSERT_GE(graph->addGraph(s), 0);
        for (const auto& w : windows) {
            SCOPED_TRACE(testing::Message() << "type " << type << " window " << w[0] << ".." << w[1]);
            ui->setMinDispIndex(w[0]);
            ui->setMaxDispIndex(w[1]);
            graph->clearGraphs();
            graph->refreshGraph();
            const QImage base = shot();
            graph->addGraph(s);
            const QImage img = shot();
            const QPointF a = at(8, 20.0), b = at(16, 30.0), c = at(12, 18.0);
            switch (type) {
            case CGraphShape::StraightLine:
                EXPECT_TRUE(drawnAt(img, base, (a + b) / 2));
                EXPECT_FALSE(drawnAt(img, base, b + (b - a) / 2));
                break;
            case CGraphShape::Ray:
                EXPECT_TRUE(drawnAt(img, base, b + (b - a) / 2));
                break;
            case CGraphShape::HorizontalLine:
                EXPECT_TRUE(drawnAt(img, base, QPointF(30, a.y())));
                EXPECT_TRUE(drawnAt(img, base, QPointF(250, a.y())));
                break;
            case CGraphShape::VerticalLine:
                EXPECT_TRUE(drawnAt(img, base, QPointF(a.x(), 30)));
                EXPECT_TRUE(drawnAt(img, base, QPointF(a.x(), 270)));
                break;
            case CGraphShape::ParallelChannel: {
                // The parallel passes through C.
                EXPECT_TRUE(drawnAt(img, base, (a + b) / 2));
                const double base12 = a.y() + (b.y() - a.y()) * (c.x() - a.x()) / (b.x() - a.x());
                const QPointF off(0, c.y() - base12);
                EXPECT_TRUE(drawnAt(img, base, (a + b) / 2 + off));
                break;
            }
            case CGraphShape::FibonacciRetracement:
                for (double r : {0.0, 0.236, 0.382, 0.5, 0.618, 1.0})
                    EXPECT_TRUE(drawnAt(img, base, QPointF((a.x() + b.x()) / 2, b.y() + (a.y() - b.y()) * r)))
                        << r;
                break;
            case CGraphShape::Rectangle:
                EXPECT_TRUE(drawnAt(img, base, QPointF((a.x() + b.x()) / 2, a.y())));
                EXPECT_TRUE(drawnAt(img, base, QPointF(b.x(), (a.y() + b.y()) / 2)));
                EXPECT_FALSE(drawnAt(img, base, (a + b) / 2));
                break;
            case CGraphShape::TextNote: {
                // Some glyph pixel right of and below the anchor.
                bool found = false;
                for (int x = int(a.x()); x < int(a.x()) + 40 && !found; ++x)
                    for (int y = int(a.y()); y < int(a.y()) + 16 && !found; ++y)
                        found = drawnAt(img, base, QPointF(x, y));
                EXPECT_TRUE(found);
                break;
            }
            }
        }
    }
}

TEST_F(DrawToolsPane, ARectangleFollowsAResizeAndAPeriodChangeBackAndForth)
{
    build(30, QSize(420, 300));
    CGraphShape s;
    s.type = CGraphShape::Rectangle;
    s.valueA = value(6, 18.0);
    s.valueB = value(18, 30.0);
    ASSERT_EQ(graph->addGraph(s), 0);
    graph->resize(600, 400);
    graph->clearGraphs();
    graph->refreshGraph();
    const QImage base = shot();
    graph->setPeriod(86400); // Same key: nothing reloads.
    ui->period = 3600;
    graph->setPeriod(3600);
    EXPECT_EQ(graph->graphCount(), 0);
    ui->period = 86400;
    graph->setPeriod(86400);
    ASSERT_EQ(graph->graphCount(), 1);
    const QImage img = shot();
    const QPointF a = at(6, 18.0), b = at(18, 30.0);
    EXPECT_TRUE(drawnAt(img, base, QPointF((a.x() + b.x()) / 2, b.y())));
    EXPECT_TRUE(drawnAt(img, base, QPointF(a.x(), (a.y() + b.y()) / 2)));
    EXPECT_GT(b.x(), 420 * 18.0 / 30); // The resize moved it.
}

TEST_F(DrawToolsPane, ALineDrawnWithTheMouseIsStoredAndBackAfterARestart)
{
    build();
    EXPECT_FALSE(graph->startDrawTool(0));
    ASSERT_TRUE(graph->startDrawTool(CGraphShape::StraightLine));
    const QPointF from = at(5, 20.0), to = at(22, 32.0);
    drag(from, to);
    ASSERT_EQ(graph->graphCount(), 1);
    EXPECT_EQ(graph->drawGraphType(), 0);
    // The points are the bars under the pointer and the values at its rows.
    EXPECT_EQ(graph->graphs()[0].valueA.x(), double(ui->m_tradeDateList.at(5)));
    EXPECT_EQ(graph->graphs()[0].valueB.x(), double(ui->m_tradeDateList.at(22)));
    EXPECT_NEAR(graph->graphs()[0].valueA.y(), 20.0, 0.2);
    EXPECT_NEAR(graph->graphs()[0].valueB.y(), 32.0, 0.2);
    // The press drew a line, not a drag-scroll or a zoom box.
    EXPECT_EQ(sink.count(193), 0);
    EXPECT_EQ(sink.count(181), 0);

    TC::CDrawGraphManager::instance()->reload();
    TC::CKLineGraphWidget again(1, ui, series, 0, 0);
    again.setStock(ui->curStock);
    ASSERT_EQ(again.graphCount(), 1);
    // The store's text keeps 16 digits: equal to far below a price tick.
    const KW::CGraphShape& r = again.graphs()[0];
    const KW::CGraphShape& o = graph->graphs()[0];
    EXPECT_EQ(r.type, o.type);
    EXPECT_EQ(r.valueA.x(), o.valueA.x());
    EXPECT_EQ(r.valueB.x(), o.valueB.x());
    EXPECT_NEAR(r.valueA.y(), o.valueA.y(), 1e-12);
    EXPECT_NEAR(r.valueB.y(), o.valueB.y(), 1e-12);
    EXPECT_EQ(r.colorKey, o.colorKey);
}

TEST_F(DrawToolsPane, DeleteRemovesTheSelectedShapeOnly)
{
    build();
    graph->addLine(value(2, 20.0), value(20, 20.0));
    graph->addLine(value(2, 30.0), value(20, 30.0));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(graph.get(), &del); // Nothing selected.
    EXPECT_EQ(graph->graphCount(), 2);
    // A click on the second line selects it.
    send(QEvent::MouseButtonPress, at(10, 30.0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at(10, 30.0), Qt::NoButton);
    ASSERT_EQ(graph->currGraph(), 1);
    QKeyEvent del2(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(graph.get(), &del2);
    EXPECT_TRUE(del2.isAccepted());
    ASSERT_EQ(graph->graphCount(), 1);
    EXPECT_EQ(graph->graphs()[0].valueA.y(), 20.0);
    const bson::BSONObj stored = TC::CDrawGraphManager::getGraphData("SH600000|86400");
    ASSERT_EQ(stored["graphs"].Array().size(), 1u);
    EXPECT_EQ(stored["graphs"].Array()[0].Obj()["y1"].numberDouble(), 20.0);
}

TEST_F(DrawToolsPane, DoubleClickOnTheSelectedLineEditsItsAttributes)
{
    build();
    graph->addLine(value(2, 25.0), value(20, 25.0));
    const QPointF p = at(10, 25.0);
    int shown = 0;
    TC::CKLineGraphWidget::setGraphAttributePrompt([&](TC::CGraphAttributeDialog& d) {
        ++shown;
        EXPECT_EQ(d.windowTitle(), "画线属性");
        EXPECT_EQ(d.size(), QSize(300, 260));
        EXPECT_TRUE(d.codeEdit()->text().startsWith("SH600000"));
        EXPECT_FALSE(d.codeEdit()->isEnabled());
        EXPECT_FALSE(d.periodEdit()->text().isEmpty());
        EXPECT_EQ(d.getCheckedButtonID(), 0);
        EXPECT_EQ(d.colorKey(), "ic_clr_draw_graph_line");
        d.setButtonCheckedByID(1);
        d.setLineAttribute("clr_global_rise", 3, 2);
        return shown == 1 ? 1 : 0;
    });
    // A double-click on a line not selected yet leaves it to the crosshair.
    send(QEvent::MouseButtonDblClick, p, Qt::LeftButton);
    EXPECT_EQ(shown, 0);
    send(QEvent::MouseButtonPress, p, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, p, Qt::NoButton);
    ASSERT_EQ(graph->currGraph(), 0);
    send(QEvent::MouseButtonDblClick, p, Qt::LeftButton);
    ASSERT_EQ(shown, 1);
    const bson::BSONObj stored = TC::CDrawGraphManager::getGraphData("SH600000|86400");
    EXPECT_EQ(stored["type"].numberInt(), 1);
    EXPECT_EQ(stored["period"].numberInt(), 86400);
    const bson::BSONObj line = stored["graphs"].Array()[0].Obj();
    EXPECT_EQ(std::string(line.getStringField("color")), "clr_global_rise");
    EXPECT_EQ(line["width"].numberInt(), 3);
    EXPECT_EQ(line["style"].numberInt(), 2);
    EXPECT_EQ(line["dir"].numberInt(), 1);
    EXPECT_EQ(graph->graphs()[0].colorKey, "clr_global_rise");

    // Cancelled: the changes made in the dialog are dropped.
    TC::CKLineGraphWidget::setGraphAttributePrompt([&](TC::CGraphAttributeDialog& d) {
        ++shown;
        EXPECT_EQ(d.getCheckedButtonID(), 1); // The line's direction.
        EXPECT_EQ(d.widthBox()->value(), 3);
        d.setLineAttribute("clr_global_fall", 5, 1);
        return 0;
    });
    send(QEvent::MouseButtonDblClick, p, Qt::LeftButton);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(TC::CDrawGraphManager::getGraphData("SH600000|86400").woCompare(stored), 0);
}

TEST(GraphAttributeDialog, ButtonsGiveOneAndZero)
{
    TC::CGraphAttributeDialog d("SH600000", 86400);
    QTimer::singleShot(0, [&] { d.okButton()->click(); });
    EXPECT_EQ(d.exec(), 1);
    QTimer::singleShot(0, [&] { d.cancelButton()->click(); });
    EXPECT_EQ(d.exec(), 0);
    // A colour key outside the offered list is kept, not replaced.
    d.setLineAttribute("ic_clr_winner_profit", 11, 9);
    EXPECT_EQ(d.colorKey(), "ic_clr_winner_profit");
    EXPECT_EQ(d.lineWidth(), 1);
    EXPECT_EQ(d.lineStyle(), 1);
    EXPECT_TRUE(d.noteText().isEmpty());
    d.setNoteText("压力位");
    EXPECT_EQ(d.noteText(), "压力位");
}

} // namespace
