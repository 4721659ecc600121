#include <gtest/gtest.h>

#include <functional>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "CKLineViewLayout.h"
#include "CKLineViewStartProbe.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CMessageBox.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"

using TC::CKLineViewLayout;
using TC::CKLineViewWindow;

namespace {

bool waitForData(const TC::CKLineMainWidget* chart)
{
    QElapsedTimer t;
    t.start();
    while (!chart->mainPane()->hasData() && t.elapsed() < 10000)
        QTest::qWait(20);
    return chart->mainPane()->hasData();
}

// The action of `formula` anywhere in a (nested) formula menu.
QAction* formulaAction(const QMenu* menu, const QString& formula)
{
    for (QAction* a : menu->actions()) {
        if (a->menu()) {
            if (QAction* found = formulaAction(a->menu(), formula))
                return found;
        } else if (a->data().toString() == formula) {
            return a;
        }
    }
    return nullptr;
}

QStringList formulasOf(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->menu())
            out += formulasOf(a->menu());
        else if (!a->data().toString().isEmpty())
            out.append(a->data().toString());
    }
    return out;
}

QAction* textAction(const QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

QString statusText(const CKLineViewWindow& w)
{
    const auto* label = w.findChild<QLabel*>(QStringLiteral("status_label"));
    return label ? label->text() : QString();
}

// The catalogue file read on its own: leaves of the tree that go on the main
// pane (placement != 0) and those that get a pane, in tree order.
void catalogueLeaves(QStringList* overlays, QStringList* panes)
{
    QFile f(QStringLiteral(KLINE_SOURCE_DATA_DIR "/formulas/catalog.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    QHash<QString, int> placement;
    for (const QJsonValue& v : root.value(QStringLiteral("formulas")).toArray())
        placement.insert(v.toObject().value(QStringLiteral("name")).toString().toUpper(),
                         v.toObject().value(QStringLiteral("placement")).toInt());
    std::function<void(const QJsonArray&)> walk = [&](const QJsonArray& children) {
        for (const QJsonValue& c : children) {
            if (c.isString())
                (placement.value(c.toString().toUpper()) != 0 ? overlays : panes)
                    ->append(c.toString().toUpper());
            else
                walk(c.toObject().value(QStringLiteral("children")).toArray());
        }
    };
    walk(root.value(QStringLiteral("catalogs")).toArray());
}

// The date of the last line of a CSV file of the shipped data.
QString lastCsvDate(const QString& file)
{
    QFile f(QStringLiteral(KLINE_SOURCE_DATA_DIR "/real/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    return QString::fromLatin1(lines.last().split(',').first()).trimmed();
}

} // namespace

class KLineViewWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    QString settings() const { return m_dir.filePath(QStringLiteral("klineview.json")); }
};

TEST_F(KLineViewWindowTest, BuildsTheChartAndTheToolbarFromTheLayout)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.resize(1000, 700);
    w.show();
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("klineview — ")));
    EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral(" SH600000")));
    EXPECT_EQ(w.periodCombo()->count(), TC::kPeriodCount);
    EXPECT_EQ(w.periodCombo()->currentData().toInt(), 86400);
    EXPECT_EQ(w.drCombo()->count(), 5);
    EXPECT_EQ(w.drCombo()->currentText(), QStringLiteral("前复权"));
    EXPECT_EQ(w.instrumentEdit()->text(), QStringLiteral("SH600000"));
    EXPECT_EQ(w.chart()->subPanes().size(), 3);
    EXPECT_TRUE(waitForData(w.chart()));
    EXPECT_EQ(w.currentLayout(), CKLineViewLayout());
}

// The start probe sees the panes' first frame, then the first one with every
// pane's data, in that order, and then stops watching.
TEST_F(KLineViewWindowTest, StartProbeTimesTheFirstFrameAndTheFirstDataFrame)
{
    TC::CKLineViewStartProbe::markProcessStart();
    CKLineViewWindow w(CKLineViewLayout(), settings());
    TC::CKLineViewStartProbe probe(w.chart());
    EXPECT_EQ(probe.firstFrameMs(), -1);
    w.resize(1000, 700);
    w.show();
    ASSERT_TRUE(waitForData(w.chart()));
    for (int i = 0; i < 50 && probe.dataFrameMs() < 0; ++i) {
        w.chart()->mainPane()->graph()->repaint();
        QTest::qWait(10);
    }
    ASSERT_GE(probe.firstFrameMs(), 0);
    ASSERT_GE(probe.dataFrameMs(), probe.firstFrameMs());
    const qint64 seen = probe.dataFrameMs();
    w.chart()->mainPane()->graph()->repaint();
    EXPECT_EQ(probe.dataFrameMs(), seen);
}

TEST_F(KLineViewWindowTest, EnterInTheInstrumentEntrySwitchesByKeyOrName)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    QLineEdit* edit = w.instrumentEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("usgoog"));
    if (edit->completer()->popup()->isVisible())
        QTest::keyClick(edit->completer()->popup(), Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("USGOOG"));
    EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral("USGOOG")));
    EXPECT_TRUE(waitForData(w.chart()));

    EXPECT_TRUE(w.switchInstrument(QStringLiteral("贵州茅台")));
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SH600519"));

    // An unknown entry changes nothing.
    EXPECT_FALSE(w.switchInstrument(QStringLiteral("nothing like this")));
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SH600519"));
    EXPECT_EQ(w.currentLayout().instrument(), QStringLiteral("SH600519"));
}

TEST_F(KLineViewWindowTest, FuturesOpenByCodeInAnyCaseAndShowTheirOwnKey)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    QLineEdit* edit = w.instrumentEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("SFRB888"));
    // Enter while the completion popup is open, nothing picked in it.
    QAbstractItemView* popup = edit->completer()->popup();
    QTest::keyClick(popup->isVisible() ? static_cast<QWidget*>(popup) : edit, Qt::Key_Return);
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SFrb888"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("klineview — 螺纹钢主连 SFrb888"));
    EXPECT_EQ(edit->text(), QStringLiteral("SFrb888"));
    EXPECT_TRUE(statusText(w).startsWith(QStringLiteral("SFrb888 螺纹钢主连  最后交易日 2026-11-27")))
        << statusText(w).toStdString();
    EXPECT_TRUE(waitForData(w.chart()));

    // Quitting on it saves the store's key, which the next start takes.
    w.close();
    CKLineViewLayout restored;
    ASSERT_EQ(restored.load(settings()), CKLineViewLayout::kLoaded);
    EXPECT_EQ(restored.instrument(), QStringLiteral("SFrb888"));
}

TEST_F(KLineViewWindowTest, EntryTakesBareCodesCompletionLinesAndNamesInAnyCase)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    const QStringList lines = CKLineViewWindow::completionLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("SH600519 贵州茅台")));
    EXPECT_TRUE(lines.contains(QStringLiteral("SFrb888 螺纹钢主连")));
    EXPECT_TRUE(lines.contains(QStringLiteral("USSPX S&P 500")));

    struct Case {
        const char* typed;
        const char* key;
    };
    const Case cases[] = {{"600519", "SH600519"},
                          {"SH600519 贵州茅台", "SH600519"},
                          {"sh600519  贵州茅台 ", "SH600519"},
                          {"rb888", "SFrb888"},
                          {"RB888", "SFrb888"},
                          {"google", "USGOOG"},
                          {"usspx s&p 500", "USSPX"},
                          {"S&P 500", "USSPX"},
                          {"000651", "SZ000651"}};
    for (const Case& c : cases) {
        EXPECT_EQ(CKLineViewWindow::findInstrument(QString::fromUtf8(c.typed)), QString::fromLatin1(c.key))
            << c.typed;
        ASSERT_TRUE(w.switchInstrument(QString::fromUtf8(c.typed))) << c.typed;
        EXPECT_EQ(w.chart()->getStock(), QString::fromLatin1(c.key)) << c.typed;
    }
    QString why;
    for (const char* typed : {"60051", "SH600519 浦发银行", "", "贵州"}) {
        EXPECT_TRUE(CKLineViewWindow::findInstrument(QString::fromUtf8(typed), &why).isEmpty()) << typed;
        EXPECT_TRUE(why.startsWith(QStringLiteral("未知代码"))) << why.toStdString();
    }

    // Picking a line of the completion popup switches at once.
    QLineEdit* edit = w.instrumentEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("600000"));
    QAbstractItemView* popup = edit->completer()->popup();
    ASSERT_TRUE(popup->isVisible());
    ASSERT_EQ(popup->model()->rowCount(), 1);
    EXPECT_EQ(popup->model()->index(0, 0).data().toString(), QStringLiteral("SH600000 浦发银行"));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SH600000"));
    EXPECT_EQ(edit->text(), QStringLiteral("SH600000"));

    // So does a click on one.
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("600519"));
    ASSERT_TRUE(popup->isVisible());
    const QModelIndex line = popup->model()->index(0, 0);
    EXPECT_EQ(line.data().toString(), QStringLiteral("SH600519 贵州茅台"));
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, Qt::NoModifier, popup->visualRect(line).center());
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SH600519"));
    EXPECT_EQ(edit->text(), QStringLiteral("SH600519"));
}

TEST_F(KLineViewWindowTest, AnInstrumentTheChartPicksItselfIsFollowedAndSaved)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    EXPECT_TRUE(waitForData(w.chart()));
    // The keyboard spirit's pick goes straight to the chart.
    w.chart()->onSelectStock(TC::CMarketStore::instance()->instrument(QStringLiteral("SFrb888")), 0);
    EXPECT_EQ(w.currentLayout().instrument(), QStringLiteral("SFrb888"));
    QElapsedTimer t;
    t.start();
    while (w.instrumentEdit()->text() != QStringLiteral("SFrb888") && t.elapsed() < 10000)
        QTest::qWait(10);
    EXPECT_EQ(w.instrumentEdit()->text(), QStringLiteral("SFrb888"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("klineview — 螺纹钢主连 SFrb888"));
    EXPECT_TRUE(statusText(w).startsWith(QStringLiteral("SFrb888 "))) << statusText(w).toStdString();
    w.close();
    CKLineViewLayout saved;
    ASSERT_EQ(saved.load(settings()), CKLineViewLayout::kLoaded);
    EXPECT_EQ(saved.instrument(), QStringLiteral("SFrb888"));
}

TEST_F(KLineViewWindowTest, StatusShowsTheInstrumentsOwnLastDay)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    ASSERT_TRUE(w.switchInstrument(QStringLiteral("USGOOG")));
    const QString last = lastCsvDate(QStringLiteral("goog_2004-2008_daily_matplotlib.csv"));
    ASSERT_EQ(last, QStringLiteral("2008-10-14"));
    EXPECT_TRUE(statusText(w).contains(QStringLiteral("最后交易日 2008-10-14")))
        << statusText(w).toStdString();
    ASSERT_TRUE(w.switchInstrument(QStringLiteral("USSPX")));
    EXPECT_TRUE(statusText(w).contains(QStringLiteral("最后交易日 2019-11-08")))
        << statusText(w).toStdString();
}

TEST_F(KLineViewWindowTest, PeriodAndExRightsChoicesReachTheChart)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    const int fiveMinutes = TC::getPeriodIndex(300);
    w.periodCombo()->setCurrentIndex(fiveMinutes);
    emit w.periodCombo()->activated(fiveMinutes);
    EXPECT_EQ(w.chart()->getPeriod(), 300);
    EXPECT_TRUE(waitForData(w.chart()));

    w.drCombo()->setCurrentIndex(0);
    emit w.drCombo()->activated(0);
    EXPECT_EQ(w.chart()->getDrType(), 0);
    EXPECT_EQ(w.currentLayout().period(), 300);
    EXPECT_EQ(w.currentLayout().drType(), 0);
}

TEST_F(KLineViewWindowTest, IndicatorMenusListTheWholeCatalogueTree)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    QStringList overlays;
    QStringList panes;
    catalogueLeaves(&overlays, &panes);
    ASSERT_GE(panes.size(), 20);
    EXPECT_EQ(formulasOf(w.overlayMenu()), overlays);
    EXPECT_EQ(formulasOf(w.subPaneMenu()), panes);
    // By the tree: 技术指标 > 趋势指标 > MA.
    QAction* tech = textAction(w.subPaneMenu(), QStringLiteral("技术指标"));
    ASSERT_TRUE(tech && tech->menu());
    QAction* energy = textAction(tech->menu(), QStringLiteral("能量指标"));
    ASSERT_TRUE(energy && energy->menu());
    EXPECT_NE(formulaAction(energy->menu(), QStringLiteral("MACD")), nullptr);
    // Empty catalogues stay out.
    EXPECT_EQ(textAction(w.subPaneMenu(), QStringLiteral("财务指标")), nullptr);
    // Opening the menu again builds the same thing.
    emit w.subPaneMenu()->aboutToShow();
    EXPECT_EQ(formulasOf(w.subPaneMenu()), panes);
}

TEST_F(KLineViewWindowTest, OverlaysToggleOneByOneAndSubPanesStack)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    QAction* ma = formulaAction(w.overlayMenu(), QStringLiteral("MA"));
    QAction* boll = formulaAction(w.overlayMenu(), QStringLiteral("BOLL"));
    QAction* sar = formulaAction(w.overlayMenu(), QStringLiteral("SAR"));
    ASSERT_TRUE(ma && boll && sar);
    EXPECT_TRUE(ma->isCheckable() && ma->isChecked());
    EXPECT_FALSE(boll->isChecked());

    boll->trigger();
    sar->trigger();
    EXPECT_TRUE(w.chart()->mainPane()->hasIndex(QStringLiteral("MA")));
    EXPECT_TRUE(w.chart()->mainPane()->hasIndex(QStringLiteral("BOLL")));
    EXPECT_TRUE(w.chart()->mainPane()->hasIndex(QStringLiteral("SAR")));
    EXPECT_TRUE(ma->isChecked() && boll->isChecked() && sar->isChecked());
    EXPECT_EQ(w.currentLayout().indexes(), (QStringList{"MA", "BOLL", "SAR", "VOL", "MACD", "KDJ"}));

    ma->trigger(); // off again
    EXPECT_FALSE(w.chart()->mainPane()->hasIndex(QStringLiteral("MA")));
    EXPECT_FALSE(ma->isChecked());
    EXPECT_TRUE(boll->isChecked());

    QAction* wr = formulaAction(w.subPaneMenu(), QStringLiteral("WR"));
    ASSERT_NE(wr, nullptr);
    wr->trigger();
    EXPECT_EQ(w.currentLayout().indexes(), (QStringList{"BOLL", "SAR", "VOL", "MACD", "KDJ", "WR"}));
    EXPECT_TRUE(waitForData(w.chart()));

    QAction* remove = textAction(w.indexButton()->menu(), QStringLiteral("删除最后副图"));
    ASSERT_NE(remove, nullptr);
    for (int i = 0; i < 6; ++i) // more often than there are panes: no harm
        remove->trigger();
    EXPECT_TRUE(w.chart()->subPanes().isEmpty());

    QAction* none = textAction(w.overlayMenu(), QStringLiteral("无"));
    ASSERT_NE(none, nullptr);
    none->trigger();
    EXPECT_TRUE(w.currentLayout().indexes().isEmpty());
    EXPECT_FALSE(boll->isChecked() || sar->isChecked());
    EXPECT_TRUE(waitForData(w.chart()));
}

TEST_F(KLineViewWindowTest, ApplyReplacesTheClickedSubPanesFormula)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.resize(1000, 700);
    w.show();
    ASSERT_TRUE(waitForData(w.chart()));
    ASSERT_EQ(w.chart()->subPanes().size(), 3);
    QWidget* macd = w.chart()->subPanes().at(1)->graph();
    QTest::mouseClick(macd, Qt::LeftButton, Qt::NoModifier, QPoint(macd->width() / 3, macd->height() / 2));
    QAction* rsi = formulaAction(w.applyMenu(), QStringLiteral("RSI"));
    ASSERT_NE(rsi, nullptr);
    rsi->trigger();
    EXPECT_EQ(w.currentLayout().indexes(), (QStringList{"MA", "VOL", "RSI", "KDJ"}));
    // Overlays are not offered for a sub-pane.
    EXPECT_EQ(formulaAction(w.applyMenu(), QStringLiteral("BOLL")), nullptr);
}

TEST_F(KLineViewWindowTest, SeveralOverlaysAreSavedAndRestored)
{
    {
        CKLineViewWindow w(CKLineViewLayout(), settings());
        w.show();
        formulaAction(w.overlayMenu(), QStringLiteral("BOLL"))->trigger();
        formulaAction(w.overlayMenu(), QStringLiteral("BBI"))->trigger();
        w.close();
    }
    CKLineViewLayout restored;
    ASSERT_EQ(restored.load(settings()), CKLineViewLayout::kLoaded);
    EXPECT_EQ(restored.indexes(), (QStringList{"MA", "BOLL", "BBI", "VOL", "MACD", "KDJ"}));
    CKLineViewWindow again(restored, settings());
    for (const char* f : {"MA", "BOLL", "BBI"}) {
        EXPECT_TRUE(again.chart()->mainPane()->hasIndex(QString::fromLatin1(f))) << f;
        EXPECT_TRUE(formulaAction(again.overlayMenu(), QString::fromLatin1(f))->isChecked()) << f;
    }
    EXPECT_FALSE(formulaAction(again.overlayMenu(), QStringLiteral("EMA"))->isChecked());
    EXPECT_EQ(again.currentLayout(), restored);
}

TEST_F(KLineViewWindowTest, EveryPeriodsPanesAndSizesSurviveARestart)
{
    auto subs = [](const TC::CKLineMainWidget* chart) {
        QStringList out;
        for (const TC::CKLineWidget* p : chart->subPanes())
            out << p->indexNames().join(QLatin1Char('+')).toUpper();
        return out;
    };
    std::vector<int> daySizes;
    {
        CKLineViewWindow w(CKLineViewLayout(), settings());
        w.resize(1000, 700);
        w.show();
        // Day chart: RSI instead of KDJ, the main pane made taller.
        w.removeLastSubPane();
        w.addSubPane(QStringLiteral("RSI"));
        w.chart()->paneList()->changeStretchAt(0, 9);
        daySizes = w.chart()->getStretchFactorList();
        // Five-minute chart: only MACD.
        w.periodCombo()->setCurrentIndex(TC::getPeriodIndex(300));
        QMetaObject::invokeMethod(w.periodCombo(), "activated", Q_ARG(int, TC::getPeriodIndex(300)));
        ASSERT_EQ(w.chart()->getPeriod(), 300);
        while (w.chart()->subPanes().size() > 1)
            w.removeLastSubPane();
        w.chart()->subPanes().first()->setIndex(QStringLiteral("MACD"), QString());
        // Back to the day chart, then quit.
        w.periodCombo()->setCurrentIndex(TC::getPeriodIndex(86400));
        QMetaObject::invokeMethod(w.periodCombo(), "activated", Q_ARG(int, TC::getPeriodIndex(86400)));
        ASSERT_EQ(subs(w.chart()), (QStringList{"VOL", "MACD", "RSI"}));
        w.close();
    }
    CKLineViewLayout restored;
    ASSERT_EQ(restored.load(settings()), CKLineViewLayout::kLoaded);
    ASSERT_FALSE(restored.chartParam().isEmpty());
    CKLineViewWindow again(restored, settings());
    again.resize(1000, 700);
    again.show();
    EXPECT_EQ(again.chart()->getPeriod(), 86400);
    EXPECT_EQ(subs(again.chart()), (QStringList{"VOL", "MACD", "RSI"}));
    EXPECT_EQ(again.chart()->getStretchFactorList(), daySizes);
    EXPECT_TRUE(waitForData(again.chart()));
    again.cyclePeriod(); // F8: day to week, which inherited the day's layout
    EXPECT_EQ(again.chart()->getPeriod(), 604800);
    EXPECT_EQ(again.periodCombo()->currentData().toInt(), 604800);
    again.periodCombo()->setCurrentIndex(TC::getPeriodIndex(300));
    QMetaObject::invokeMethod(again.periodCombo(), "activated", Q_ARG(int, TC::getPeriodIndex(300)));
    EXPECT_EQ(subs(again.chart()), (QStringList{"MACD"}));

    // The command line still wins over the restored chart.
    CKLineViewLayout given = restored;
    given.setIndexes({QStringLiteral("MA"), QStringLiteral("KDJ")});
    CKLineViewWindow overridden(given, settings());
    EXPECT_EQ(subs(overridden.chart()), (QStringList{"KDJ"}));
}

TEST_F(KLineViewWindowTest, F8CyclesThePeriodAndDownloadFetchesHistory)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(waitForData(w.chart()));
    QTest::keyClick(&w, Qt::Key_F8);
    EXPECT_EQ(w.chart()->getPeriod(), 604800);
    EXPECT_EQ(w.periodCombo()->currentData().toInt(), 604800);
    ASSERT_NE(w.downloadAction(), nullptr);
    EXPECT_EQ(w.downloadAction()->text(), QStringLiteral("下载数据"));
    w.downloadAction()->trigger();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w.chart()->downloadTotal() > 0 && w.chart()->downloadDone() == w.chart()->downloadTotal(); },
        10000));
}

TEST_F(KLineViewWindowTest, CtrlQClosesAndSavesLikeClosing)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    ASSERT_TRUE(w.switchInstrument(QStringLiteral("SZ000651")));
    EXPECT_TRUE(w.quitAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Q)));
    QTest::keyClick(w.chart(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
    CKLineViewLayout saved;
    ASSERT_EQ(saved.load(settings()), CKLineViewLayout::kLoaded);
    EXPECT_EQ(saved.instrument(), QStringLiteral("SZ000651"));
}

TEST_F(KLineViewWindowTest, LoadProblemsShowInANonModalBox)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    QTest::qWait(20);
    // The test process's user folder has no CSV files: no box.
    EXPECT_EQ(w.loadProblemsBox(), nullptr);

    const QString folder = TC::CAppConfig::userDataDir() + QStringLiteral("/csv/");
    w.showLoadProblems({folder + QStringLiteral("SZ_000002_day.csv:3: column 3 (high): high below close"),
                        QStringLiteral("/elsewhere/x.csv: name not of the form MARKET_CODE[_NAME]_day.csv")});
    KW::CMessageBox* box = w.loadProblemsBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->title(), QStringLiteral("提示"));
    EXPECT_TRUE(
        box->text().contains(QStringLiteral("\nSZ_000002_day.csv:3: column 3 (high): high below close")))
        << box->text().toStdString();
    EXPECT_TRUE(box->text().contains(QStringLiteral("/elsewhere/x.csv: name not")));
    // The window stays usable while it is open.
    EXPECT_TRUE(w.switchInstrument(QStringLiteral("SH600519")));
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("message_box_ok"));
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_TRUE(!w.loadProblemsBox() || !w.loadProblemsBox()->isVisible());

    // A long list is cut, the rest is in the log.
    QStringList many;
    for (int i = 1; i <= 30; ++i)
        many.append(QStringLiteral("f%1.csv:1: bad").arg(i));
    w.showLoadProblems(many);
    ASSERT_NE(w.loadProblemsBox(), nullptr);
    EXPECT_TRUE(w.loadProblemsBox()->text().contains(QStringLiteral("f12.csv")));
    EXPECT_FALSE(w.loadProblemsBox()->text().contains(QStringLiteral("f13.csv")));
    EXPECT_TRUE(w.loadProblemsBox()->text().contains(QStringLiteral("另有 18 条")));
}

TEST_F(KLineViewWindowTest, RealtimeSwitchDrivesTheWindowsSimulator)
{
    {
        CKLineViewWindow w(CKLineViewLayout(), settings());
        w.show();
        EXPECT_EQ(TC::CFormulaManager::instance()->simulator(), w.simulator());
        EXPECT_FALSE(w.simulator()->isRunning());
        w.realtimeAction()->trigger();
        EXPECT_TRUE(w.simulator()->isRunning());
        EXPECT_TRUE(w.simulator()->isSubscribed(QStringLiteral("SH600000")));
        // A few ticks by hand keep the chart's data.
        for (int i = 0; i < 5; ++i)
            w.simulator()->step();
        QTest::qWait(20);
        EXPECT_TRUE(w.chart()->mainPane()->hasData());
        w.realtimeAction()->trigger();
        EXPECT_FALSE(w.simulator()->isRunning());
    }
    // The service never keeps a dangling simulator.
    EXPECT_EQ(TC::CFormulaManager::instance()->simulator(), TC::CMarketSimulator::instance());
}

TEST_F(KLineViewWindowTest, ClosingSavesAndTheNextWindowRestores)
{
    {
        CKLineViewWindow w(CKLineViewLayout(), settings());
        w.show();
        w.switchInstrument(QStringLiteral("USGOOG"));
        const int week = TC::getPeriodIndex(604800);
        w.periodCombo()->setCurrentIndex(week);
        emit w.periodCombo()->activated(week);
        w.removeLastSubPane();
        w.close();
    }
    CKLineViewLayout restored;
    ASSERT_EQ(restored.load(settings()), CKLineViewLayout::kLoaded);
    EXPECT_EQ(restored.instrument(), QStringLiteral("USGOOG"));
    EXPECT_EQ(restored.period(), 604800);
    EXPECT_EQ(restored.indexes(), (QStringList{"MA", "VOL", "MACD"}));

    CKLineViewWindow again(restored, settings());
    EXPECT_EQ(again.chart()->getPeriod(), 604800);
    EXPECT_EQ(again.instrumentEdit()->text(), QStringLiteral("USGOOG"));
    EXPECT_EQ(again.periodCombo()->currentData().toInt(), 604800);
    EXPECT_EQ(again.currentLayout(), restored);
}

// The process-wide market store reads the user's CSV folder once, when it is
// built. To start a window on a folder with broken files, this program runs
// itself again with only the child test below and a user folder of its own.
TEST(KLineViewWindowStart, UserFilesThatFailToLoadAreShownOnceTheWindowRuns)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("csv")));
    auto write = [&home](const QString& name, const QByteArray& text) {
        QFile f(home.filePath(QStringLiteral("csv/") + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    // Line 3: the high is below the close.
    write(QStringLiteral("SZ_000002_万科A_day.csv"),
          "date,open,high,low,close,volume\n2024-01-02,10,11,9,10.5,100\n2024-01-03,10,10.2,9.5,10.8,90\n");
    // A good file whose code the sample's SH600519 has too.
    write(QStringLiteral("SZ_600519_同码_day.csv"), "2024-01-02,10,11,9,10.5,100\n");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KLINEVIEW_HOME"), home.path());
    env.insert(QStringLiteral("KLINEVIEW_START_CHILD"), QStringLiteral("1"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=KLineViewWindowStart.ChildInAFolderWithBrokenFiles")});
    ASSERT_TRUE(child.waitForFinished(300000));
    const QString out = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("SKIPPED"))) << out.toStdString();
}

TEST(KLineViewWindowStart, ChildInAFolderWithBrokenFiles)
{
    if (!qEnvironmentVariableIsSet("KLINEVIEW_START_CHILD"))
        GTEST_SKIP() << "run by UserFilesThatFailToLoadAreShownOnceTheWindowRuns";
    QTemporaryDir dir;
    CKLineViewWindow w(CKLineViewLayout(), dir.filePath(QStringLiteral("klineview.json")));
    w.show();
    // Not during construction: a host or test building the window is not held up.
    EXPECT_EQ(w.loadProblemsBox(), nullptr);
    QElapsedTimer t;
    t.start();
    while (!w.loadProblemsBox() && t.elapsed() < 10000)
        QTest::qWait(10);
    KW::CMessageBox* box = w.loadProblemsBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->title(), QStringLiteral("提示"));
    EXPECT_TRUE(box->text().contains(QStringLiteral("SZ_000002_万科A_day.csv:3: column 3 (high): ")))
        << box->text().toStdString();
    EXPECT_FALSE(box->text().contains(QStringLiteral("同码")));

    // The good file loaded; its bare code is no longer unique.
    EXPECT_TRUE(CKLineViewWindow::completionLines().contains(QStringLiteral("SZ600519 同码")));
    QString why;
    EXPECT_TRUE(CKLineViewWindow::findInstrument(QStringLiteral("600519"), &why).isEmpty());
    EXPECT_EQ(why, QStringLiteral("代码不唯一: 600519 (SH600519, SZ600519)"));
    EXPECT_FALSE(w.switchInstrument(QStringLiteral("600519")));
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SH600000"));
    EXPECT_TRUE(w.switchInstrument(QStringLiteral("sz600519")));
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SZ600519"));
}
