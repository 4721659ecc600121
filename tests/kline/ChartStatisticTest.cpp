// Event 191 and statisticSelectRegion: the chart opens the statistics of a
// selected range over its own bars, and a new selection replaces the old
// dialog.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QTest>

#include "KLineTestSupport.h"
#include "common/PrivateMarket.h"
#include "dialogs/CKLineStatisticDialog.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/indexui/CFormulaKey.h"
#include "series/CKLineData.h"

using TC::CKLineStatisticDialog;

namespace {

class ChartStatistic : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        m_market.attach();
        chart = std::make_unique<ktest::CSpyChart>(nullptr, 0);
        chart->resize(900, 600);
        chart->setStock("SH600000");
        chart->setPeriod(86400);
        chart->setDrType(0);
        chart->request(true);
    }
    void TearDown() override
    {
        chart.reset();
        TC::CFormulaManager::instance()->resetBackend();
        TC::CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        m_market.detach();
    }
    QList<CKLineStatisticDialog*> dialogs() const { return chart->findChildren<CKLineStatisticDialog*>(); }
    TC::RPCFormulaResultCache kline() const
    {
        return chart->mainPane()->series()->getData().value(TC::CFormulaKey("SH600000", "KLINE"));
    }
    QString region(int first, int last) const
    {
        const auto& ui = *chart->getUiParam();
        return QStringLiteral("%1,%2,%3")
            .arg(last)
            .arg(ui.getDateTimeByIndex(first).toSecsSinceEpoch())
            .arg(ui.getDateTimeByIndex(last).toSecsSinceEpoch());
    }

    ktest::PrivateMarket m_market;
    std::unique_ptr<ktest::CSpyChart> chart;
};

TEST_F(ChartStatistic, SelectionOpensTheStatisticsAndANewOneReplacesIt)
{
    const int n = chart->getUiParam()->getLastIndex() + 1;
    ASSERT_GT(n, 100);
    ASSERT_TRUE(kline().isValid());
    EXPECT_TRUE(chart->handleEvent(191, n - 30, 0, region(n - 30, n - 11), nullptr));
    ASSERT_EQ(dialogs().size(), 1);
    CKLineStatisticDialog* first = dialogs().front();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->countText(), QStringLiteral("共 20 个周期"));
    EXPECT_EQ(first->windowTitle(),
              chart->getUiParam()->curStock->name.c_str() + QStringLiteral(" 时段统计"));
    // Closes and volumes straight from the chart's K-line.
    double volume = 0.0;
    for (int i = n - 30; i <= n - 11; ++i)
        volume += kline().value(1, i);
    EXPECT_EQ(first->shownValue(4), QString::number(kline().value(0, n - 11, 3), 'f', 2));
    EXPECT_EQ(first->shownValue(5), QString::number(volume, 'f', 0));
    EXPECT_EQ(first->shownValue(0), QString::number(kline().value(0, n - 31, 3), 'f', 2));

    EXPECT_TRUE(chart->handleEvent(191, n - 5, 0, region(n - 5, n - 1), nullptr));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(dialogs().size(), 1);
    EXPECT_NE(dialogs().front(), first);
    EXPECT_EQ(dialogs().front()->countText(), QStringLiteral("共 5 个周期"));

    // Texts that do not parse, or a range ending before it starts, open nothing new.
    CKLineStatisticDialog* shown = dialogs().front();
    chart->handleEvent(191, n - 5, 0, QStringLiteral("x,1,2"), nullptr);
    chart->handleEvent(191, n - 5, 0, region(n - 5, n - 9), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(dialogs().size(), 1);
    EXPECT_EQ(dialogs().front(), shown);
}

TEST_F(ChartStatistic, OneBarByItsTime)
{
    chart->statisticSelectRegion(nullptr);
    EXPECT_TRUE(dialogs().isEmpty());
    const int bar = chart->getUiParam()->getLastIndex() - 3;
    QDateTime time = chart->getUiParam()->getDateTimeByIndex(bar);
    chart->statisticSelectRegion(&time);
    ASSERT_EQ(dialogs().size(), 1);
    CKLineStatisticDialog* d = dialogs().front();
    EXPECT_EQ(d->countText(), QStringLiteral("共 1 个周期"));
    EXPECT_EQ(d->shownValue(1), QString::number(kline().value(0, bar, 0), 'f', 2));
    EXPECT_EQ(d->startTime(), time.toSecsSinceEpoch());
    EXPECT_EQ(d->endTime(), time.toSecsSinceEpoch());
}

} // namespace
