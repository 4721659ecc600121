// A person's session in the klineview window, driven with mouse and key
// events: crosshair by mouse and keys, drag-scroll, zoom by selection and
// wheel. With KLINEVIEW_SHOTS set to a folder, each step's picture is saved
// there for a look.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "CKLineViewLayout.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/indexui/CIndexTitleWidget.h"

namespace {

void shot(QWidget* w, const char* name)
{
    const QByteArray dir = qgetenv("KLINEVIEW_SHOTS");
    if (!dir.isEmpty())
        w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + ".png");
}

void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, p, w->mapToGlobal(p), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

TEST(KLineViewSession, MouseAndKeysWorkTheChart)
{
    QTemporaryDir dir;
    TC::CKLineViewWindow window(TC::CKLineViewLayout(), dir.filePath("klineview.json"));
    window.resize(1400, 850);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TC::CKLineMainWidget* chart = window.chart();
    QElapsedTimer t;
    t.start();
    while (!chart->mainPane()->hasData() && t.elapsed() < 10000)
        QTest::qWait(20);
    ASSERT_TRUE(chart->mainPane()->hasData());
    auto ui = chart->getUiParam();
    TC::CKLineGraphWidget* g = chart->mainPane()->graph();
    shot(&window, "1-start");

    // Double-click shows the crosshair; moving the mouse moves it.
    send(g, QEvent::MouseMove, QPoint(g->width() / 4, 150), Qt::NoButton, Qt::NoButton);
    QTest::mouseDClick(g, Qt::LeftButton, Qt::NoModifier, QPoint(g->width() / 4, 150));
    EXPECT_TRUE(ui->crossVisible);
    send(g, QEvent::MouseMove, QPoint(g->width() / 2, 160), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(ui->crossIndex, ui->getIndexByXAxis(g->width() / 2));
    EXPECT_EQ(chart->mainPane()->title()->indexId(), ui->crossIndex);
    shot(&window, "2-crosshair");

    // Arrow keys step it through the host window.
    const int bar = ui->crossIndex;
    QTest::keyClick(&window, Qt::Key_Left);
    EXPECT_EQ(ui->crossIndex, bar - 1);
    QTest::keyClick(&window, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(ui->crossIndex, bar + 3);

    // A left selection zooms into its bars (at least 20 of them).
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(&window, Qt::Key_Down);
    ASSERT_GT(ui->getMaxDispIndex() - ui->getMinDispIndex(), 40);
    const int x0 = g->width() / 8;
    const int x1 = g->width() * 3 / 4;
    const int first = ui->getIndexByXAxis(x0);
    const int lastSel = ui->getIndexByXAxis(x1);
    send(g, QEvent::MouseButtonPress, QPoint(x0, 100), Qt::LeftButton, Qt::LeftButton);
    send(g, QEvent::MouseMove, QPoint(x1, 200), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(g->isZoomSelecting());
    shot(&window, "3-selecting");
    send(g, QEvent::MouseButtonRelease, QPoint(x1, 200), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(ui->getMinDispIndex(), first);
    EXPECT_EQ(ui->getMaxDispIndex(), lastSel);
    shot(&window, "4-zoomed");

    // Hide the crosshair, then drag the chart to older bars.
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(ui->crossVisible);
    const int before = ui->getMinDispIndex();
    send(g, QEvent::MouseButtonPress, QPoint(g->width() / 5, 100), Qt::LeftButton, Qt::LeftButton);
    send(g, QEvent::MouseMove, QPoint(g->width() * 3 / 5, 100), Qt::NoButton, Qt::LeftButton);
    send(g, QEvent::MouseButtonRelease, QPoint(g->width() * 3 / 5, 100), Qt::LeftButton, Qt::NoButton);
    EXPECT_LT(ui->getMinDispIndex(), before);
    shot(&window, "5-dragged");

    // The wheel zooms out and in.
    const int span = ui->getMaxDispIndex() - ui->getMinDispIndex();
    const QPoint at = g->mapTo(chart, QPoint(g->width() / 3, 100));
    QWheelEvent out(at, chart->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(chart, &out);
    EXPECT_GT(ui->getMaxDispIndex() - ui->getMinDispIndex(), span);
    shot(&window, "6-wheel");
}

} // namespace
