// The formula editor and the charts: a new formula confirmed in the editor
// appears in a pane, its parameters and its text follow every save on every
// chart that shows it, the chart's "编辑指标" event opens the editor, and a
// deleted formula leaves the panes. User formulas go to the tests' private
// user folder.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/editor/CFormulaEditorManager.h"
#include "platform/formula/editor/CFormulaWindow.h"
#include "platform/framework/CMessageBox.h"
#include "platform/indexui/CFormulaKey.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/market/CMarketStore.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using TC::CFormulaEditorManager;
using TC::CFormulaWindow;
using TC::CKLineWidget;

namespace {

const double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct EditorChart : ::testing::Test {
    CSpyChart chart{nullptr, 0};

    void SetUp() override
    {
        KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
        open(chart);
        CFormulaEditorManager::instance()->setTestSource([](TC::CFormulaParam& p) {
            p.market = QStringLiteral("SH");
            p.code = QStringLiteral("600000");
            p.periodMs = 86400000;
            p.drType = 0;
            return true;
        });
    }
    void TearDown() override
    {
        CFormulaEditorManager::instance()->closeAll();
        CFormulaEditorManager::instance()->setTestSource(nullptr);
        QCoreApplication::processEvents();
        TC::CFormulaOperateManager::instance()->removeUserFormula("EDCHART");
        KW::CMessageBox::setAutoAnswer(-1);
    }
    static void open(CSpyChart& c)
    {
        c.resize(900, 600);
        c.setStock(QStringLiteral("SH600000"));
        c.setPeriod(86400);
        c.setDrType(0);
        c.show();
        c.request(true);
    }
    // The newest value of the formula's first output in the pane; NaN before it has one.
    static double lastValue(const CSpyChart& c, CKLineWidget* pane, const QString& formula)
    {
        const auto& data = pane->series()->getData();
        const auto it = data.constFind(TC::CFormulaKey(c.getStock(), formula));
        if (it == data.constEnd() || !it->isValid() || it->barCount() == 0)
            return kNoValue;
        const std::vector<double>* v = it->result->column(0);
        return v && !v->empty() ? v->back() : kNoValue;
    }
    // Mean of the last n closes of the chart's day bars, added up here.
    static double meanOfLastCloses(int n)
    {
        const QVector<quoter::CBar> bars = TC::CMarketStore::instance()->bars("SH600000", 86400, 0);
        double sum = 0.0;
        for (int i = bars.size() - n; i < bars.size(); ++i)
            sum += bars[i].close;
        return sum / n;
    }
    static double lastClose()
    {
        return TC::CMarketStore::instance()->bars("SH600000", 86400, 0).last().close;
    }
    static bool near(double a, double b) { return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b)); }
};

TEST_F(EditorChart, ANewFormulaConfirmedShowsInANewPaneAndFollowsItsParameterDefault)
{
    ASSERT_TRUE(chart.subPanes().isEmpty());
    CFormulaWindow* w = CFormulaEditorManager::instance()->createWindow(QString());
    ASSERT_NE(w, nullptr);
    w->setTargetChart(&chart);
    QTest::keyClicks(w->nameEdit(), "edchart");
    const QStringList row{"N", "5", "1", "100"};
    for (int c = 0; c < 4; ++c)
        w->paramTable()->item(0, c)->setText(row[c]);
    QTest::keyClicks(w->sourceEdit(), "X:MA(CLOSE,N);");
    QTest::mouseClick(w->confirmButton(), Qt::LeftButton);

    ASSERT_EQ(chart.subPanes().size(), 1);
    CKLineWidget* pane = chart.subPanes().first();
    EXPECT_TRUE(pane->hasIndex("EDCHART"));
    EXPECT_TRUE(pane->title()->titleText().contains(QStringLiteral("EDCHART(5)")))
        << pane->title()->titleText().toStdString();
    ASSERT_TRUE(ktest::waitUntil([&] { return !std::isnan(lastValue(chart, pane, "EDCHART")); }));
    EXPECT_TRUE(near(lastValue(chart, pane, "EDCHART"), meanOfLastCloses(5)));
    // The chart's remembered layout has it, so it survives a restart.
    EXPECT_TRUE(chart.getIndexParam().value(86400).contains("EDCHART"));

    // A new default: the same pane, the title and the values follow.
    w->paramTable()->item(0, 1)->setText("7");
    QTest::mouseClick(w->confirmButton(), Qt::LeftButton);
    ASSERT_EQ(chart.subPanes().size(), 1);
    EXPECT_TRUE(pane->title()->titleText().contains(QStringLiteral("EDCHART(7)")))
        << pane->title()->titleText().toStdString();
    ASSERT_TRUE(
        ktest::waitUntil([&] { return near(lastValue(chart, pane, "EDCHART"), meanOfLastCloses(7)); }));

    // "测试" over the same bars lists the output with its newest value.
    ASSERT_TRUE(w->runTest());
    ASSERT_EQ(w->testList()->count(), 1);
    EXPECT_EQ(w->testList()->item(0)->text(), QStringLiteral("X: %1").arg(meanOfLastCloses(7), 0, 'f', 3));
}

TEST_F(EditorChart, EveryChartShowingTheFormulaFollowsItsTextAndLosesItOnDelete)
{
    ktest::UserFormula formula("EDCHART", 0, -1); // A:MA(CLOSE,5);
    CSpyChart other(nullptr, 0);
    open(other);
    CKLineWidget* mine = chart.addIndexWidget();
    mine->addIndex("EDCHART", QString());
    CKLineWidget* theirs = other.addIndexWidget();
    theirs->addIndex("EDCHART", QString());
    chart.request(true);
    other.request(true);
    ASSERT_TRUE(
        ktest::waitUntil([&] { return near(lastValue(other, theirs, "EDCHART"), meanOfLastCloses(5)); }));

    // "编辑指标" on the chart: the editor opens on the formula for this chart.
    EXPECT_TRUE(chart.handleEvent(198, 0, 0, "EDCHART", nullptr));
    CFormulaWindow* w = CFormulaEditorManager::instance()->findWindow("EDCHART");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->targetChart(), &chart);
    EXPECT_EQ(w->sourceEdit()->toPlainText(), QStringLiteral("A:MA(CLOSE,5);"));

    w->sourceEdit()->setPlainText("A:CLOSE*2;");
    ASSERT_TRUE(w->confirm());
    const double expected = 2.0 * lastClose();
    EXPECT_TRUE(ktest::waitUntil([&] { return near(lastValue(chart, mine, "EDCHART"), expected); }));
    EXPECT_TRUE(ktest::waitUntil([&] { return near(lastValue(other, theirs, "EDCHART"), expected); }));
    EXPECT_EQ(other.subPanes().size(), 1);

    KW::CMessageBox::setAutoAnswer(QMessageBox::Yes);
    ASSERT_TRUE(w->removeFormula());
    EXPECT_FALSE(mine->hasIndex("EDCHART"));
    EXPECT_FALSE(theirs->hasIndex("EDCHART"));
    EXPECT_EQ(chart.subPanes().size(), 1);

    // Without a formula the event opens the editor on a new one.
    EXPECT_TRUE(chart.handleEvent(198, 0, 0, QString(), nullptr));
    bool fresh = false;
    for (CFormulaWindow* win : CFormulaEditorManager::instance()->windows())
        fresh = fresh || (win->isNewFormula() && win->targetChart() == &chart);
    EXPECT_TRUE(fresh);
}

} // namespace
