// klineview's "画线" toolbar: a tool chosen there is placed with the mouse
// in the chart's main pane, and "删除" removes the selected drawing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include "CKLineViewDrawToolBar.h"
#include "CKLineViewLayout.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CDrawGraphManager.h"
#include "platform/framework/CGraphShape.h"
#include "platform/framework/CMessageBox.h"

namespace {

void mouse(QWidget* w, QEvent::Type t, QPoint p, Qt::MouseButtons held)
{
    QMouseEvent e(t, p, t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(KLineViewDrawToolBar, AToolFromTheBarIsPlacedInTheMainPaneAndDeleted)
{
    KW::CMessageBox::setAutoAnswer(0);
    QTemporaryDir dir;
    TC::CKLineViewWindow w(TC::CKLineViewLayout(), dir.filePath("klineview.json"));
    w.resize(1000, 700);
    w.show();
    auto* bar = w.findChild<TC::CKLineViewDrawToolBar*>("klineview_draw_toolbar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("画线"));
    ASSERT_EQ(bar->toolActions().size(), KW::CGraphShape::kLastType);
    TC::CKLineGraphWidget* pane = w.chart()->mainPane()->graph();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->uiParam()->getLastIndex() > 10; }, 20000));
    const int before = pane->graphCount();

    bar->toolActions().at(KW::CGraphShape::Rectangle - 1)->trigger();
    EXPECT_EQ(pane->drawGraphType(), int(KW::CGraphShape::Rectangle));
    const QPoint a(pane->width() / 4, pane->height() / 3), b(pane->width() / 2, pane->height() / 2);
    mouse(pane, QEvent::MouseButtonPress, a, Qt::LeftButton);
    mouse(pane, QEvent::MouseMove, b, Qt::LeftButton);
    mouse(pane, QEvent::MouseButtonRelease, b, Qt::NoButton);
    ASSERT_EQ(pane->graphCount(), before + 1);
    EXPECT_EQ(pane->graphs().last().type, int(KW::CGraphShape::Rectangle));
    EXPECT_EQ(pane->currGraph(), before);
    EXPECT_EQ(TC::CDrawGraphManager::getGraphData(pane->drawGraphKey())["graphs"].Array().size(),
              size_t(before + 1));

    bar->deleteAction()->trigger();
    EXPECT_EQ(pane->graphCount(), before);
    TC::CDrawGraphManager::setGraphData(pane->drawGraphKey(), bson::BSONObj());
    KW::CMessageBox::setAutoAnswer(-1);
}

} // namespace
