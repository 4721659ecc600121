// Every item of the panes' context menus triggered once on a chart with data:
// nothing crashes, and the items that only report deliver their ids to the
// chart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QWidget>

#include "common/TestHelpers.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CUserConfig.h"
#include "platform/framework/CMessageBox.h"

using ktest::CSpyChart;

namespace {

// The leaves of a menu: plain items, and the first item of every submenu
// (the catalogue trees are walked by the menu tests).
QStringList leafPaths(const QMenu* menu, const QString& prefix = QString())
{
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        const QString path = prefix.isEmpty() ? a->text() : prefix + '/' + a->text();
        if (a->menu()) {
            const QStringList sub = leafPaths(a->menu(), path);
            if (!sub.isEmpty())
                out << sub.first();
        } else {
            out << path;
        }
    }
    return out;
}

QAction* find(const QMenu* menu, const QString& path)
{
    const QStringList parts = path.split('/');
    const QMenu* m = menu;
    for (int i = 0; i < parts.size(); ++i) {
        QAction* hit = nullptr;
        for (QAction* a : m->actions())
            if (!a->isSeparator() && a->text() == parts[i])
                hit = a;
        if (!hit || i + 1 == parts.size())
            return hit;
        m = hit->menu();
    }
    return nullptr;
}

void closeTopLevels(QWidget* keep)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != keep && w->isVisible())
            w->close();
}

TEST(ChartMenuWalk, EveryItemOfBothMenusRunsOnAChartWithData)
{
    ktest::ScopedUserConfig user(std::make_shared<TC::CUserConfig>());
    KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    TC::CKLineGraphWidget::setSaveFilePrompt(
        [](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
    CSpyChart chart(nullptr, 0);
    chart.resize(900, 700);
    chart.setStock(QStringLiteral("SH600000"));
    chart.setPeriod(86400);
    chart.addIndexWidget()->addIndex("MACD", QString());
    chart.show();
    chart.request(true);

    // What each reporting item must deliver to the chart.
    const QMap<QString, int> reports{{"添加指标", 185}, {"锁定界面位置", 202}, {"新建工作组", 3159},
                                     {"添加扩展数据", 3263}, {"编辑指标", 198}};
    for (int pane = 0; pane < 2; ++pane) {
        TC::CKLineGraphWidget* graph =
            pane == 0 ? chart.mainPane()->graph() : chart.subPanes().first()->graph();
        std::unique_ptr<QMenu> first(graph->createContextMenu());
        ASSERT_TRUE(first);
        const QStringList paths = leafPaths(first.get());
        ASSERT_GT(paths.size(), 10);
        for (const QString& path : paths) {
            // A fresh menu per item: earlier items change what is offered.
            TC::CKLineGraphWidget* g =
                pane == 0 ? chart.mainPane()->graph()
                          : (chart.subPanes().isEmpty() ? nullptr : chart.subPanes().first()->graph());
            if (!g)
                break;
            std::unique_ptr<QMenu> menu(g->createContextMenu());
            QAction* a = find(menu.get(), path);
            if (!a)
                continue;
            chart.events.clear();
            a->trigger();
            QCoreApplication::processEvents();
            closeTopLevels(&chart);
            if (reports.contains(path)) {
                EXPECT_GE(chart.count(reports.value(path)), 1) << path.toStdString();
            }
            ASSERT_TRUE(chart.mainPane());
        }
    }
    TC::CKLineGraphWidget::setSaveFilePrompt(nullptr);
    KW::CMessageBox::setAutoAnswer(-1);
}

} // namespace
