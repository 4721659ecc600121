// A wide four-pane chart: the picture of a normal window does not depend on
// per-column drawing, and moving the window redraws each pane once.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/indexui/CDrawStyle.h"

using ktest::CSpyChart;

namespace {

class ChartDense : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_chart = std::make_unique<CSpyChart>(nullptr, 0);
        m_chart->resize(1600, 900);
        m_chart->adjustIndexWidgetSize(4);
        m_chart->setStock(QStringLiteral("SH600000"));
        m_chart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_chart.get()));
        m_chart->request(true);
        ASSERT_TRUE(ktest::waitUntil([&] {
            for (TC::CKLineWidget* p : panes())
                if (!p->hasData())
                    return false;
            return true;
        }));
    }
    void TearDown() override
    {
        TC::CDrawStyle::setColumnDrawing(true);
        m_chart->unrequest();
        m_chart.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QVector<TC::CKLineWidget*> panes() const
    {
        QVector<TC::CKLineWidget*> all{m_chart->mainPane()};
        all << m_chart->subPanes();
        return all;
    }
    QVector<int> refreshCounts() const
    {
        QVector<int> counts;
        for (TC::CKLineWidget* p : panes())
            counts << p->graph()->refreshCount();
        return counts;
    }
    static QVector<int> plusOne(QVector<int> counts)
    {
        for (int& c : counts)
            ++c;
        return counts;
    }
    void showBars(int n)
    {
        const int last = m_chart->getUiParam()->getLastIndex();
        m_chart->handleEvent(190, last - n + 1, last, QString(), nullptr);
    }
    std::unique_ptr<CSpyChart> m_chart;
};

TEST_F(ChartDense, AThousandBarsLookTheSameWithColumnDrawingOff)
{
    ASSERT_EQ(panes().size(), 4);
    ASSERT_GE(m_chart->getUiParam()->getLastIndex(), 1200);
    for (int bars : {200, 1000}) {
        showBars(bars);
        const QImage columns = m_chart->grab().toImage();
        TC::CDrawStyle::setColumnDrawing(false);
        showBars(bars);
        const QImage perBar = m_chart->grab().toImage();
        TC::CDrawStyle::setColumnDrawing(true);
        ASSERT_EQ(columns.size(), perBar.size());
        EXPECT_TRUE(columns == perBar) << bars << " bars";
    }
}

TEST_F(ChartDense, AllBarsOfAWideChartStillHaveTheirCrosshair)
{
    // More bars than plot columns: the crosshair still walks bar by bar.
    auto ui = m_chart->getUiParam();
    const int last = ui->getLastIndex();
    m_chart->handleEvent(190, 0, last, QString(), nullptr);
    ASSERT_EQ(ui->getMinDispIndex(), 0);
    m_chart->moveToLast();
    const int end = ui->crossIndex;
    ASSERT_EQ(end, last);
    m_chart->moveCursor(true, false);
    EXPECT_EQ(ui->crossIndex, end - 1);
    m_chart->moveCursor(true, false);
    EXPECT_EQ(ui->crossIndex, end - 2);
}

TEST_F(ChartDense, APanRedrawsEachPanePictureOnce)
{
    showBars(300);
    auto ui = m_chart->getUiParam();
    const int first = ui->getMinDispIndex();

    // The host or a pane asks for one bar.
    QVector<int> before = refreshCounts();
    m_chart->handleEvent(193, 0, -1, QString(), nullptr);
    EXPECT_EQ(ui->getMinDispIndex(), first - 1);
    EXPECT_EQ(refreshCounts(), plusOne(before));

    // The user drags the price pane by one bar and lets go.
    TC::CKLineGraphWidget* g = m_chart->mainPane()->graph();
    const double barWidth = double(g->width()) / double(ui->getMaxDispIndex() - ui->getMinDispIndex());
    const QPoint from(800, 200);
    const QPoint to(800 + int(barWidth) + 1, 200);
    before = refreshCounts();
    QTest::mousePress(g, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, to, g->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(g, &move);
    QTest::mouseRelease(g, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_EQ(ui->getMinDispIndex(), first - 2);
    EXPECT_EQ(refreshCounts(), plusOne(before));

    // A drag worth less than a bar moves nothing and redraws nothing.
    before = refreshCounts();
    QTest::mousePress(g, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseRelease(g, Qt::LeftButton, Qt::NoModifier, from + QPoint(1, 0));
    EXPECT_EQ(ui->getMinDispIndex(), first - 2);
    EXPECT_EQ(refreshCounts(), before);

    // The time line (170) and the host (190) shift the window by a bar.
    int overviewEnd = ui->overviewEnd;
    before = refreshCounts();
    m_chart->handleEvent(170, ui->getMinDispIndex() + 1, ui->getMaxDispIndex() + 1,
                         QString::number(ui->overviewStart), &overviewEnd);
    EXPECT_EQ(ui->getMinDispIndex(), first - 1);
    EXPECT_EQ(refreshCounts(), plusOne(before));
    before = refreshCounts();
    m_chart->handleEvent(190, ui->getMinDispIndex() - 1, ui->getMaxDispIndex() - 1, QString(), nullptr);
    EXPECT_EQ(ui->getMinDispIndex(), first - 2);
    EXPECT_EQ(refreshCounts(), plusOne(before));
    // Zooming redraws once as well.
    before = refreshCounts();
    m_chart->scaleView(true);
    EXPECT_EQ(refreshCounts(), plusOne(before));

    // The crosshair walking out of the window takes the window along.
    m_chart->moveToHome();
    const int home = ui->crossIndex;
    ASSERT_EQ(home, ui->getMinDispIndex());
    before = refreshCounts();
    m_chart->moveCursor(true, false);
    EXPECT_EQ(ui->getMinDispIndex(), home - 1);
    EXPECT_EQ(refreshCounts(), plusOne(before));
}

} // namespace
