// The drawing-tool engine on its own, and the store behind it.
#include <cmath>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "platform/config/CAppConfig.h"
#include "platform/framework/CDrawGraphManager.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/IGraphWidget.h"

namespace {

// Pixels are values scaled by 2, rounded as a screen would.
class CTestEngine : public KW::IGraphWidget
{
public:
    CTestEngine()
    {
        initConvFunc([](QPointF p) { return p / 2.0; },
                     [](QPointF v) { return QPointF(std::round(v.x() * 2.0), std::round(v.y() * 2.0)); });
    }
    void onDone() override { ++done; }
    void onGraphNotify(void* data) override { notified.push_back(data); }
    void onGraphStateChanged(int s) override { state = s; }
    void onEditGraphAttribute() override { ++edits; }

    int done = 0;
    int edits = 0;
    int state = 0;
    std::vector<void*> notified;
};

TEST(GraphEngine, ParamsRoundTripEveryShapeAttribute)
{
    CTestEngine a;
    a.addLine(QPointF(1704153600, 12.345), QPointF(1704844800, 13.5));
    a.setLineAttribute("clr_global_rise", 3, 2);
    a.addLine(QPointF(1704153600, 1e-7), QPointF(1704240000, -4.25));
    EXPECT_EQ(a.done, 2);

    CTestEngine b;
    ASSERT_TRUE(b.setParam(a.getParam()));
    ASSERT_EQ(b.graphCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(b.graphs()[i].valueA, a.graphs()[i].valueA);
        EXPECT_EQ(b.graphs()[i].valueB, a.graphs()[i].valueB);
        EXPECT_EQ(b.graphs()[i].colorKey, a.graphs()[i].colorKey);
        EXPECT_EQ(b.graphs()[i].width, a.graphs()[i].width);
        EXPECT_EQ(b.graphs()[i].style, a.graphs()[i].style);
    }
    EXPECT_EQ(b.graphs()[1].colorKey, "clr_global_rise");
    EXPECT_EQ(b.graphs()[0].pixelB, QPointF(3409689600, 27));
    // Through the persisted text as well.
    CTestEngine c;
    ASSERT_TRUE(c.setParam(bson::fromjson(bson::toJson(a.getParam()))));
    EXPECT_EQ(c.getParam().woCompare(a.getParam()), 0);
}

TEST(GraphEngine, MalformedParamsChangeNothingOrSkipTheBadShapes)
{
    CTestEngine e;
    e.addLine(QPointF(1, 1), QPointF(2, 2));
    const bson::BSONObj before = e.getParam();
    EXPECT_FALSE(e.setParam(bson::BSONObj()));
    EXPECT_FALSE(e.setParam(BSON("graphs" << 5)));
    EXPECT_FALSE(e.setParam(BSON("graphs" << BSON("0" << 1))));
    EXPECT_EQ(e.getParam().woCompare(before), 0);

    const char* mixed = R"({"graphs": [
        {"type": 1, "x1": "a", "y1": 1, "x2": 2, "y2": 2},
        {"type": 9, "x1": 1, "y1": 1, "x2": 2, "y2": 2},
        {"type": 1, "x1": 1, "y1": 1, "x2": 2},
        5, "text", null, [1, 2],
        {"type": 1, "x1": 3, "y1": 4, "x2": 5, "y2": 6, "color": 17, "width": 99, "style": -1}
    ]})";
    ASSERT_TRUE(e.setParam(bson::fromjson(mixed)));
    ASSERT_EQ(e.graphCount(), 1);
    EXPECT_EQ(e.graphs()[0].valueA, QPointF(3, 4));
    EXPECT_EQ(e.graphs()[0].colorKey, KW::CGraphShape::defaultColorKey());
    EXPECT_EQ(e.graphs()[0].width, 1);
    EXPECT_EQ(e.graphs()[0].style, 1);

    EXPECT_EQ(e.addLine(QPointF(NAN, 1), QPointF(2, 2)), -1);
    EXPECT_EQ(e.graphCount(), 1);
}

TEST(GraphEngine, OnlyMovedShapesTakeTheirValuesFromPixels)
{
    CTestEngine e;
    e.addLine(QPointF(10.3, 20.3), QPointF(30.3, 20.3));
    e.addLine(QPointF(10.3, 50.3), QPointF(30.3, 50.3));
    e.recalcAxisByValue();
    e.recalcValueByAxis();
    // Unmoved lines keep their exact values although pixels are rounded.
    EXPECT_EQ(e.graphs()[0].valueA, QPointF(10.3, 20.3));

    e.selectGraph(1);
    EXPECT_EQ(e.state, 1);
    e.moveCurrGraph(QPointF(10, -4));
    const int done = e.done;
    e.onMouseRelease(nullptr);
    EXPECT_EQ(e.done, done + 1);
    EXPECT_EQ(e.graphs()[0].valueA, QPointF(10.3, 20.3));
    EXPECT_EQ(e.graphs()[1].valueA, QPointF(15.5, 48.5));
}

TEST(GraphEngine, SelectionHitTestAndDelete)
{
    CTestEngine e;
    e.addLine(QPointF(0, 10), QPointF(100, 10)); // pixels (0,20)-(200,20)
    e.addLine(QPointF(0, 30), QPointF(100, 30)); // pixels (0,60)-(200,60)
    EXPECT_EQ(e.hitTest(QPointF(50, 22)), 0);
    EXPECT_EQ(e.hitTest(QPointF(50, 57)), 1);
    EXPECT_EQ(e.hitTest(QPointF(50, 40)), -1);
    EXPECT_EQ(e.hitTest(QPointF(260, 20)), -1);

    e.deleteCurrGraph(); // nothing selected: no-op
    EXPECT_EQ(e.graphCount(), 2);
    e.editCurrGraphAttribute();
    EXPECT_EQ(e.edits, 0);

    e.selectGraph(1);
    ASSERT_FALSE(e.notified.empty());
    EXPECT_EQ(e.notified.back(), static_cast<const void*>(&e.graphs()[1]));
    e.editCurrGraphAttribute();
    EXPECT_EQ(e.edits, 1);
    e.deleteCurrGraph();
    ASSERT_EQ(e.graphCount(), 1);
    EXPECT_EQ(e.graphs()[0].valueA, QPointF(0, 10));
    EXPECT_EQ(e.currGraph(), -1);
    EXPECT_EQ(e.notified.back(), nullptr);
    EXPECT_EQ(e.state, 0);
    e.selectGraph(5); // out of range: no selection
    EXPECT_EQ(e.currGraph(), -1);
}

TEST(GraphEngine, DrawsVisibleShapesInsideTheGraphRectOnly)
{
    CTestEngine e;
    e.setGraphRect(QRectF(10, 10, 80, 80));
    e.addLine(QPointF(0, 25), QPointF(50, 25)); // row 50, x 0..100
    e.addLine(QPointF(NAN, 1), QPointF(2, 2));  // rejected
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    e.drawGraph(p);
    p.end();
    const QColor line = KW::CUiResource::instance()->getColor("ic_clr_draw_graph_line");
    EXPECT_EQ(QColor(img.pixel(50, 50)), line);
    EXPECT_EQ(QColor(img.pixel(5, 50)), QColor(Qt::black));
    EXPECT_EQ(QColor(img.pixel(95, 50)), QColor(Qt::black));
}

TEST(GraphStore, RecordsPersistAndAKeyedEngineSavesEveryChange)
{
    TC::CDrawGraphManager* store = TC::CDrawGraphManager::instance();
    {
        CTestEngine e;
        e.setKey("SZ000001|60");
        e.addLine(QPointF(1, 2), QPointF(3, 4));
    }
    store->reload();
    const bson::BSONObj back = TC::CDrawGraphManager::getGraphData("SZ000001|60");
    ASSERT_FALSE(back.isEmpty());
    CTestEngine f;
    ASSERT_TRUE(f.setSingleParam(back));
    ASSERT_EQ(f.graphCount(), 1);
    EXPECT_EQ(f.graphs()[0].valueB, QPointF(3, 4));

    // Other fields of a record survive the engine's saves.
    TC::CDrawGraphManager::setGraphData("SZ000001|60",
                                        BSON("lineColor"
                                             << "clr_global_fall"
                                             << "lineWidth" << 2 << "graphs" << back["graphs"]));
    CTestEngine g;
    g.setKey("SZ000001|60");
    ASSERT_TRUE(g.setSingleParam(TC::CDrawGraphManager::getGraphData("SZ000001|60")));
    EXPECT_EQ(g.lineColorKey(), "clr_global_fall");
    g.addLine(QPointF(5, 6), QPointF(7, 8));
    EXPECT_EQ(g.graphs()[1].colorKey, "clr_global_fall");
    EXPECT_EQ(g.graphs()[1].width, 2);
    store->reload();
    const bson::BSONObj saved = TC::CDrawGraphManager::getGraphData("SZ000001|60");
    EXPECT_EQ(std::string(saved.getStringField("lineColor")), "clr_global_fall");
    EXPECT_EQ(saved["graphs"].Array().size(), 2u);

    TC::CDrawGraphManager::setGraphData("", BSON("x" << 1)); // ignored
    TC::CDrawGraphManager::setGraphData("SZ000001|60", bson::BSONObj());
    EXPECT_FALSE(TC::CDrawGraphManager::hasGraphData("SZ000001|60"));
}

TEST(GraphStore, ADamagedFileIsKeptAsideNotOverwritten)
{
    TC::CDrawGraphManager* store = TC::CDrawGraphManager::instance();
    const QString path = store->filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{\"SH600000|86400\": {\"graphs\": [");
    }
    store->reload();
    EXPECT_FALSE(TC::CDrawGraphManager::hasGraphData("SH600000|86400"));
    QFile aside(path + ".bad");
    ASSERT_TRUE(aside.exists());
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("{\"SH600000|86400\": {\"graphs\": ["));

    TC::CDrawGraphManager::setGraphData("SH600000|86400", BSON("graphs" << bson::BSONArrayBuilder().arr()));
    store->reload();
    EXPECT_TRUE(TC::CDrawGraphManager::hasGraphData("SH600000|86400"));
    TC::CDrawGraphManager::setGraphData("SH600000|86400", bson::BSONObj());
}

} // namespace
