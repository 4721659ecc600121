// What klineview does for the chart's host requests: the sector window lists
// the instrument's sector with its members, formula export writes the
// formula's source file, refresh asks the chart again.
#include <gtest/gtest.h>

#include <limits>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "CKLineViewFormulaExport.h"
#include "CKLineViewLayout.h"
#include "CKLineViewSectorWindow.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/framework/CMessageBox.h"
#include "platform/indexui/CFormulaKey.h"
#include "platform/indexui/CIndexMainWindowHelper.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "series/CKLineData.h"

using TC::CKLineViewFormulaExport;
using TC::CKLineViewLayout;
using TC::CKLineViewSectorWindow;
using TC::CKLineViewWindow;

namespace {

TC::CMarketStore* store()
{
    return TC::CMarketStore::instance();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Close of the chart's last main-graph bar; -1 before it has one.
double lastChartClose(const TC::CKLineMainWidget* chart)
{
    const auto& data = chart->mainPane()->series()->getData();
    const auto it = data.constFind(TC::CFormulaKey(chart->getStock(), QStringLiteral("KLINE")));
    if (it == data.constEnd() || !it->isValid() || it->barCount() == 0)
        return -1.0;
    const std::vector<double>* close = it->result->column(3);
    return close && !close->empty() ? close->back() : -1.0;
}

class HostServices : public ::testing::Test
{
protected:
    void SetUp() override { KW::CMessageBox::setAutoAnswer(QMessageBox::Ok); }
    void TearDown() override
    {
        KW::CMessageBox::setAutoAnswer(-1);
        CKLineViewWindow::setSaveFilePrompt({});
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(HostServices, SectorAnalysisListsTheSectorAndItsMembersByChange)
{
    CKLineViewWindow w(CKLineViewLayout{}, QString());
    const QString key = QStringLiteral("SZ000651");
    const QString sector = store()->sectorOf(key, 1);
    ASSERT_FALSE(sector.isEmpty());
    TC::CIndexMainWindowHelper::inst()->contrastSector(key);
    CKLineViewSectorWindow* s = w.sectorWindow();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(s->stockKey(), key);
    EXPECT_EQ(s->sectorName(), sector);
    EXPECT_TRUE(s->windowTitle().contains(QStringLiteral("格力电器")));
    EXPECT_TRUE(s->sectorLabel()->text().contains(sector));
    EXPECT_TRUE(s->sectorLabel()->text().contains(store()->sectorIndexKey(sector)));

    // Members found on their own: every instrument of that sector, with the
    // change of its last day against the day before.
    QStringList expected;
    for (const QString& k : store()->instrumentKeys())
        if (store()->sectorOf(k, 1) == sector)
            expected.append(k);
    ASSERT_EQ(s->rows().size(), expected.size());
    ASSERT_EQ(s->table()->rowCount(), expected.size());
    for (int r = 0; r < s->rows().size(); ++r) {
        const CKLineViewSectorWindow::Row& row = s->rows()[r];
        EXPECT_TRUE(expected.contains(row.key));
        const QVector<quoter::CBar> days = store()->dayBars(row.key);
        const double prev = store()->prevClose(row.key, TC::CLocalTimeConverter::dateOf(days.last().time));
        EXPECT_EQ(row.lastClose, days.last().close);
        EXPECT_NEAR(row.changePct, (days.last().close / prev - 1.0) * 100.0, 1e-9);
        EXPECT_EQ(s->table()->item(r, 0)->text(), row.key);
        EXPECT_EQ(s->table()->item(r, 3)->text(), QString::number(row.changePct, 'f', 2) + QLatin1Char('%'));
        if (r > 0) {
            EXPECT_GE(s->rows()[r - 1].changePct, row.changePct);
        }
    }

    // Every level the stock has can be chosen; a deeper sector is narrower.
    const QString level3 = store()->sectorOf(key, 3);
    if (!level3.isEmpty()) {
        ASSERT_TRUE(s->setLevel(3));
        EXPECT_EQ(s->sectorName(), level3);
        EXPECT_EQ(s->levelCombo()->currentData().toInt(), 3);
        EXPECT_LE(s->rows().size(), expected.size());
    }

    // A second request replaces the window; an instrument without a sector says so.
    TC::CIndexMainWindowHelper::inst()->contrastSector(QStringLiteral("SFrb888"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(w.sectorWindow(), nullptr);
    EXPECT_NE(w.sectorWindow(), s);
    EXPECT_EQ(w.sectorWindow()->sectorLabel()->text(), QStringLiteral("该品种没有所属板块"));
    EXPECT_EQ(w.sectorWindow()->table()->rowCount(), 0);
    EXPECT_FALSE(w.sectorWindow()->setLevel(1));
}

TEST_F(HostServices, FormulaExportWritesTheSourceWithItsParameterLine)
{
    CKLineViewWindow w(CKLineViewLayout{}, QString());
    QString caption, suggested;
    QString answer = m_dir.filePath(QStringLiteral("out/../macd-export.fml"));
    int asked = 0;
    CKLineViewWindow::setSaveFilePrompt([&](QWidget*, const QString& c, const QString& s, const QString&) {
        ++asked;
        caption = c;
        suggested = s;
        return answer;
    });
    QDir(m_dir.path()).mkdir(QStringLiteral("out"));
    TC::CIndexMainWindowHelper::inst()->exportFormula(QStringLiteral("MACD"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(caption, QStringLiteral("导出公式"));
    EXPECT_TRUE(suggested.endsWith(QStringLiteral("/MACD.fml"))) << suggested.toStdString();
    // The built-in file is the source with its parameter line.
    const QByteArray shipped = readAll(QStringLiteral(KLINE_SOURCE_DATA_DIR "/formulas/builtin/MACD.fml"));
    ASSERT_FALSE(shipped.isEmpty());
    EXPECT_EQ(readAll(answer), shipped);
    EXPECT_TRUE(readAll(answer).startsWith("{PARAMS: SHORT=12,2,200; LONG=26,2,200; MID=9,2,200}"));

    // Cancelled: nothing written.
    answer.clear();
    EXPECT_FALSE(w.exportFormula(QStringLiteral("KDJ")));
    EXPECT_EQ(QDir(m_dir.path()).entryList({QStringLiteral("*.fml")}).size(), 1);

    // Failures are told, nothing is left behind.
    answer = m_dir.filePath(QStringLiteral("missing/folder/kdj.fml"));
    EXPECT_FALSE(w.exportFormula(QStringLiteral("KDJ")));
    EXPECT_TRUE(KW::CMessageBox::lastText().startsWith(QStringLiteral("导出失败")));
    EXPECT_FALSE(QFile::exists(answer));
    answer = m_dir.filePath(QStringLiteral("kline.fml"));
    EXPECT_FALSE(w.exportFormula(QStringLiteral("KLINE"))); // computed by the service: no source
    EXPECT_TRUE(KW::CMessageBox::lastText().contains(QStringLiteral("没有可导出的公式源码")));
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_FALSE(w.exportFormula(QStringLiteral("NO_SUCH")));
}

TEST(FormulaExportText, SourceWithoutParameterLineGetsOneFromTheRecord)
{
    TC::CFormulaDetail d;
    d.setName(QStringLiteral("MYF"));
    d.setSource(QStringLiteral("X:MA(CLOSE,N)*K;"));
    TC::CFormulaParamDef n{QStringLiteral("N"), 5, 1, 100};
    TC::CFormulaParamDef k{QStringLiteral("K"), 0.5, 0.1, 2};
    d.setParams({n, k});
    EXPECT_EQ(CKLineViewFormulaExport::exportText(d),
              QStringLiteral("{PARAMS: N=5,1,100; K=0.5,0.1,2}\nX:MA(CLOSE,N)*K;"));
    d.setParams({});
    EXPECT_EQ(CKLineViewFormulaExport::exportText(d), QStringLiteral("{PARAMS:}\nX:MA(CLOSE,N)*K;"));
    d.setSource(QStringLiteral("{PARAMS: N=3,1,9}\nY:C;"));
    EXPECT_EQ(CKLineViewFormulaExport::exportText(d), QStringLiteral("{PARAMS: N=3,1,9}\nY:C;"));
    d.setSource(QString());
    EXPECT_TRUE(CKLineViewFormulaExport::exportText(d).isEmpty());
    EXPECT_EQ(CKLineViewFormulaExport::suggestedFileName(QStringLiteral(" kdj ")), QStringLiteral("KDJ.fml"));
}

TEST_F(HostServices, RefreshRequestsTheChartAgainWithTheStoresNewData)
{
    CKLineViewWindow w(CKLineViewLayout{}, QString());
    w.resize(900, 600);
    w.show();
    QElapsedTimer t;
    t.start();
    while (lastChartClose(w.chart()) < 0 && t.elapsed() < 10000)
        QTest::qWait(20);
    const QString key = w.chart()->getStock();
    const QVector<quoter::CBar> days = store()->dayBars(key);
    ASSERT_FALSE(days.isEmpty());
    const quoter::CBar original = days.last();
    ASSERT_DOUBLE_EQ(lastChartClose(w.chart()), original.close);

    quoter::CBar changed = original;
    changed.close = original.low; // the low is a sound close
    ASSERT_NE(changed.close, original.close);
    ASSERT_TRUE(store()->modifyBar(key, 86400, original.time, changed));
    TC::CIndexMainWindowHelper::inst()->refresh();
    t.restart();
    while (lastChartClose(w.chart()) != changed.close && t.elapsed() < 10000)
        QTest::qWait(20);
    const double shown = lastChartClose(w.chart());
    ASSERT_TRUE(store()->modifyBar(key, 86400, original.time, original)); // leave the store as found
    EXPECT_DOUBLE_EQ(shown, changed.close);
}
