// The drawing tools of the engine: each tool's outline, placing and editing
// them with the mouse, and what a damaged store gives back.
#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "platform/framework/CDrawGraphManager.h"
#include "platform/framework/IGraphWidget.h"

namespace {

using KW::CGraphShape;

// Pixels are values scaled by 2; values left of x 0 have no bar.
class CEngine : public KW::IGraphWidget
{
public:
    CEngine()
    {
        initConvFunc([](QPointF p) { return p.x() < 0 ? QPointF(NAN, p.y() / 2.0) : p / 2.0; },
                     [](QPointF v) { return v * 2.0; });
        setGraphRect(QRectF(0, 0, 400, 300));
    }
    void onDone() override { ++done; }
    void onGraphNotify(void*) override {}
    void onGraphStateChanged(int s) override { state = s; }
    void onEditGraphAttribute() override { ++edits; }
    void mouse(QEvent::Type t, QPointF p, Qt::MouseButtons held = Qt::LeftButton)
    {
        QMouseEvent e(t, p, t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        if (t == QEvent::MouseButtonPress)
            onMousePress(&e, nullptr);
        else if (t == QEvent::MouseMove)
            onMouseMove(&e);
        else if (t == QEvent::MouseButtonDblClick)
            onMouseDoubleClick(&e);
        else {
            recalcValueByAxis();
            onMouseRelease(&e);
        }
    }
    void drag(QPointF from, QPointF to)
    {
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, (from + to) / 2);
        mouse(QEvent::MouseMove, to);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    int done = 0;
    int edits = 0;
    int state = 0;
};

CGraphShape shape(int type, QPointF a, QPointF b = QPointF(), QPointF c = QPointF())
{
    CGraphShape s;
    s.type = type;
    s.pixelA = a;
    s.pixelB = b;
    s.pixelC = c;
    s.text = "ab";
    return s;
}

TEST(DrawTools, EachToolsOutlineIsWhereItsPointsPutIt)
{
    const QRectF area(0, 0, 200, 100);
    // Ray (10,10)->(20,20) runs on to the bottom edge at (100,100).
    const CGraphShape ray = shape(CGraphShape::Ray, {10, 10}, {20, 20});
    EXPECT_EQ(ray.rayEnd(area), QPointF(100, 100));
    EXPECT_NEAR(ray.pixelDistance({90, 90}, area), 0.0, 1e-9);
    EXPECT_GT(ray.pixelDistance({5, 5}, area), 3.0); // Not behind its start.
    // A plain line stops at B.
    EXPECT_NEAR(shape(CGraphShape::StraightLine, {10, 10}, {20, 20}).pixelDistance({90, 90}, area),
                std::hypot(70, 70), 1e-9);

    const CGraphShape h = shape(CGraphShape::HorizontalLine, {50, 40}, {50, 40});
    EXPECT_EQ(h.pixelDistance({190, 43}, area), 3.0);
    EXPECT_TRUE(std::isinf(h.pixelDistance({250, 40}, area)));
    const CGraphShape v = shape(CGraphShape::VerticalLine, {50, 40});
    EXPECT_EQ(v.pixelDistance({48, 95}, area), 2.0);

    // Channel: base (0,50)-(100,0), C at (50,75) -> parallel 50 px lower.
    const CGraphShape ch = shape(CGraphShape::ParallelChannel, {0, 50}, {100, 0}, {50, 75});
    EXPECT_EQ(ch.channelOffset(), QPointF(0, 50));
    EXPECT_NEAR(ch.pixelDistance({100, 50}, area), 0.0, 1e-9);
    EXPECT_GT(ch.pixelDistance({50, 50}, area), 10.0); // Between the lines.

    // Fibonacci from A (low, y 100) to B (high, y 0): levels at
    // 100 - 100 r for r in 0, .236, .382, .5, .618, 1.
    const CGraphShape fib = shape(CGraphShape::FibonacciRetracement, {20, 100}, {120, 0});
    for (double y : {0.0, 23.6, 38.2, 50.0, 61.8, 100.0})
        EXPECT_NEAR(fib.pixelDistance({70, y}, area), 0.0, 1e-9) << y;
    EXPECT_NEAR(fib.pixelDistance({70, 30}, area), 30 - 23.6, 1e-9);

    const CGraphShape rect = shape(CGraphShape::Rectangle, {10, 10}, {60, 50});
    EXPECT_EQ(rect.pixelDistance({35, 50}, area), 0.0);
    EXPECT_EQ(rect.pixelDistance({35, 30}, area), 20.0); // The inside is not the outline.

    const CGraphShape note = shape(CGraphShape::TextNote, {10, 10});
    EXPECT_EQ(note.pixelDistance({30, 15}, area, QSizeF(40, 12)), 0.0);
    EXPECT_EQ(note.pixelDistance({55, 15}, area, QSizeF(40, 12)), 5.0);
    EXPECT_TRUE(std::isinf(shape(CGraphShape::StraightLine, {NAN, 1}, {2, 2}).pixelDistance({1, 1})));
}

TEST(DrawTools, PressDragReleasePlacesOneShapeAndEndsTheMode)
{
    CEngine e;
    EXPECT_FALSE(e.beginDrawGraph(0));
    EXPECT_FALSE(e.beginDrawGraph(9));
    ASSERT_TRUE(e.beginDrawGraph(CGraphShape::StraightLine));
    EXPECT_EQ(e.state, 2);
    // A bare click places no line and keeps the mode.
    e.drag({40, 40}, {41, 40});
    EXPECT_EQ(e.graphCount(), 0);
    EXPECT_EQ(e.drawGraphType(), int(CGraphShape::StraightLine));
    // Nothing is stored while the line is still being dragged.
    e.mouse(QEvent::MouseButtonPress, {20, 20});
    e.mouse(QEvent::MouseMove, {60, 40});
    EXPECT_EQ(e.getParam()["graphs"].Array().size(), 0u);
    e.mouse(QEvent::MouseButtonRelease, {60, 40}, Qt::NoButton);
    ASSERT_EQ(e.graphCount(), 1);
    EXPECT_EQ(e.graphs()[0].valueA, QPointF(10, 10));
    EXPECT_EQ(e.graphs()[0].valueB, QPointF(30, 20));
    EXPECT_EQ(e.drawGraphType(), 0);
    EXPECT_EQ(e.currGraph(), 0);
    EXPECT_EQ(e.state, 1);

    // A one-point tool takes a click; the horizontal line keeps the value.
    e.beginDrawGraph(CGraphShape::HorizontalLine);
    e.drag({100, 90}, {100, 90});
    ASSERT_EQ(e.graphCount(), 2);
    EXPECT_EQ(e.graphs()[1].valueA, QPointF(50, 45));

    // The channel waits for a third click for its parallel.
    e.beginDrawGraph(CGraphShape::ParallelChannel);
    e.drag({0, 100}, {200, 0});
    EXPECT_EQ(e.graphCount(), 3); // Held, not finished.
    EXPECT_EQ(e.getParam()["graphs"].Array().size(), 2u);
    e.mouse(QEvent::MouseMove, {100, 130}, Qt::NoButton);
    EXPECT_EQ(e.graphs()[2].pixelC, QPointF(100, 130));
    e.drag({100, 150}, {100, 150});
    ASSERT_EQ(e.graphCount(), 3);
    EXPECT_EQ(e.graphs()[2].valueC, QPointF(50, 75));
    EXPECT_EQ(e.graphs()[2].channelOffset(), QPointF(0, 100));
    EXPECT_EQ(e.drawGraphType(), 0);

    // Starting left of the bars places nothing; Delete (cancel) leaves the mode.
    e.beginDrawGraph(CGraphShape::Rectangle);
    e.drag({-20, 10}, {50, 50});
    EXPECT_EQ(e.graphCount(), 3);
    e.mouse(QEvent::MouseButtonPress, {20, 20});
    e.deleteCurrGraph();
    EXPECT_EQ(e.graphCount(), 3);
    EXPECT_EQ(e.drawGraphType(), 0);
}

TEST(DrawTools, HandlesMoveOnePointAndTheBodyMovesAll)
{
    CEngine e;
    CGraphShape s;
    s.type = CGraphShape::Rectangle;
    s.valueA = QPointF(10, 10);
    s.valueB = QPointF(60, 40);
    ASSERT_EQ(e.addGraph(s), 0);
    e.selectGraph(0);
    // Handle B at pixel (120, 80) dragged to (140, 100).
    e.drag({121, 79}, {140, 100});
    EXPECT_EQ(e.graphs()[0].valueA, QPointF(10, 10));
    EXPECT_EQ(e.graphs()[0].valueB, QPointF(70, 50));
    // The top edge dragged by (10, 20) moves both corners.
    e.drag({60, 20}, {70, 40});
    EXPECT_EQ(e.graphs()[0].valueA, QPointF(15, 20));
    EXPECT_EQ(e.graphs()[0].valueB, QPointF(75, 60));
    // A double-click on it asks for its attributes; elsewhere it does not.
    e.mouse(QEvent::MouseButtonDblClick, {100, 100});
    EXPECT_EQ(e.edits, 0);
    e.mouse(QEvent::MouseButtonDblClick, {100, 40});
    EXPECT_EQ(e.edits, 1);
    EXPECT_TRUE(e.setGraphAttribute(0, "clr_global_rise", 3, 2, 1));
    EXPECT_FALSE(e.setGraphAttribute(1, "clr_global_rise", 3, 2, 1));
    EXPECT_EQ(e.graphs()[0].colorKey, "clr_global_rise");
    EXPECT_EQ(e.graphs()[0].direction, 1);
}

TEST(DrawTools, EveryToolSurvivesAReloadFromDisk)
{
    const QString key = "SZ000002|300";
    TC::CDrawGraphManager::setGraphData(key, bson::BSONObj());
    {
        CEngine e;
        e.setKey(key);
        for (int t = CGraphShape::kFirstType; t <= CGraphShape::kLastType; ++t) {
            CGraphShape s;
            s.type = t;
            s.valueA = QPointF(1704153600 + t, 10.25 * t);
            s.valueB = QPointF(1704240000 + t, 11.5);
            s.valueC = QPointF(1704200000, 9.75);
            s.text = "支撑位";
            ASSERT_EQ(e.addGraph(s), t - 1);
        }
        e.setGraphAttribute(7, QString(), 2, 3, 1, "压力位");
    }
    TC::CDrawGraphManager::instance()->reload();
    CEngine f;
    ASSERT_TRUE(f.setSingleParam(TC::CDrawGraphManager::getGraphData(key)));
    ASSERT_EQ(f.graphCount(), 8);
    for (int t = CGraphShape::kFirstType; t <= CGraphShape::kLastType; ++t) {
        const CGraphShape& s = f.graphs()[t - 1];
        EXPECT_EQ(s.type, t);
        EXPECT_EQ(s.valueA, QPointF(1704153600 + t, 10.25 * t));
        // One-point tools keep B on A.
        EXPECT_EQ(s.valueB, CGraphShape::pointCount(t) == 1 ? s.valueA : QPointF(1704240000 + t, 11.5));
    }
    EXPECT_EQ(f.graphs()[4].valueC, QPointF(1704200000, 9.75));
    EXPECT_EQ(f.graphs()[7].text, "压力位");
    EXPECT_EQ(f.graphs()[7].direction, 1);
    EXPECT_EQ(f.graphs()[7].style, 3);
    TC::CDrawGraphManager::setGraphData(key, bson::BSONObj());
}

TEST(DrawTools, ADamagedStoreLoadsWhatIsValid)
{
    TC::CDrawGraphManager* store = TC::CDrawGraphManager::instance();
    const QString path = store->filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(R"({"K|60": {"lineWidth": 1e300, "lineStyle": -1e300, "lineColor": 5, "graphs": [
            {"type": 1e300, "x1": 1, "y1": 1, "x2": 2, "y2": 2},
            {"type": -1e300, "x1": 1, "y1": 1, "x2": 2, "y2": 2},
            {"type": 2.5, "x1": 1, "y1": 1, "x2": 2, "y2": 2},
            {"type": "1", "x1": 1, "y1": 1, "x2": 2, "y2": 2},
            {"type": 5, "x1": 1, "y1": 1, "x2": 2, "y2": 2},
            {"type": 2, "x1": 1, "y1": 1, "x2": 2, "y2": {"a": 1}},
            {"type": 3, "x1": 1e308, "y1": 1},
            {"type": 3, "x1": 1e299, "y1": 7, "width": 1e300, "style": 1e19, "dir": 1e10},
            {"type": 8, "x1": 4, "y1": 5, "x2": 4, "y2": 5, "text": 12},
            {"type": 1, "x1": 1, "y1": 2, "x2": 3, "y2": 4}
        ]}, "L|60": 17, "M|60": {"graphs": "none"}})");
    }
    store->reload();
    EXPECT_FALSE(TC::CDrawGraphManager::hasGraphData("L|60"));
    CEngine e;
    EXPECT_FALSE(e.setSingleParam(TC::CDrawGraphManager::getGraphData("M|60")));
    ASSERT_TRUE(e.setSingleParam(TC::CDrawGraphManager::getGraphData("K|60")));
    ASSERT_EQ(e.graphCount(), 3);
    EXPECT_EQ(e.graphs()[0].type, int(CGraphShape::HorizontalLine));
    EXPECT_EQ(e.graphs()[0].valueB, QPointF(1e299, 7)); // Past 1e300 a number is refused.
    EXPECT_EQ(e.graphs()[0].width, 1);
    EXPECT_EQ(e.graphs()[0].style, 1);
    EXPECT_EQ(e.graphs()[0].direction, 0);
    EXPECT_EQ(e.graphs()[1].text, CGraphShape::defaultText());
    EXPECT_EQ(e.graphs()[2].valueB, QPointF(3, 4));
    // The record's attributes were out of range: new lines keep the defaults.
    e.addLine(QPointF(1, 1), QPointF(2, 2));
    EXPECT_EQ(e.graphs()[3].width, 1);
    EXPECT_EQ(e.graphs()[3].colorKey, CGraphShape::defaultColorKey());
    TC::CDrawGraphManager::setGraphData("K|60", bson::BSONObj());
    TC::CDrawGraphManager::setGraphData("M|60", bson::BSONObj());
}

} // namespace
