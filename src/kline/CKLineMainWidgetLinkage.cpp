// Trade linkage on the chart: the setting dialog, the view model's copy of
// its choice and the record windows a double-click on a mark opens.
#include "dialogs/CKLineDealDialog.h"
#include "dialogs/CKLineOrderDialog.h"
#include "dialogs/CKLineTaskTableDialog.h"
#include "dialogs/CLinkageRecordWindows.h"
#include "kline/CKLineLinkageSettingDialog.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

constexpr int kDialogOpenBit = 4;

template <typename W> void showAlone(W* window)
{
    window->show();
    window->raise();
    CLinkageRecordWindows::hideOthers(window);
}

} // namespace

void CKLineMainWidget::showLinkageSetting()
{
    m_uiParam->tradeMarkMode |= kDialogOpenBit;
    if (!m_linkageDialog) {
        m_linkageDialog = new CKLineLinkageSettingDialog(this);
        m_linkageDialog->setUpstream(this);
        m_linkageDialog->setParam(m_linkageSetting);
    }
    m_linkageDialog->show();
    m_linkageDialog->raise();
    updateLinkageSetting();
}

void CKLineMainWidget::updateLinkageSetting()
{
    CKLineUiParam& ui = *m_uiParam;
    if ((ui.tradeMarkMode & kDialogOpenBit) && m_linkageDialog) {
        const QMap<QString, bool> p = m_linkageDialog->param();
        ui.showTaskMark = p.value(QStringLiteral("task"));
        ui.showOrderMark = p.value(QStringLiteral("order"));
        ui.showDealMark = p.value(QStringLiteral("deal"));
        ui.strategyFilter = p.value(QStringLiteral("seebystrategy"));
        ui.linkAccounts = m_linkageDialog->getAccounts();
        ui.linkStrategies = m_linkageDialog->getStrategys();
        ui.linkStocks = m_linkageDialog->getStocks();
    }
    if (m_mainPane)
        m_mainPane->refresh();
}

void CKLineMainWidget::closeLinkageSetting()
{
    m_uiParam->tradeMarkMode &= ~kDialogOpenBit;
    if (m_mainPane) {
        m_mainPane->refresh();
        m_mainPane->repaint();
    }
}

void CKLineMainWidget::updateLinkageDatas()
{
    if (m_uiParam->tradeMarkMode == 1 || !m_mainPane)
        return;
    m_mainPane->refresh();
    m_mainPane->repaint();
}

void CKLineMainWidget::showLinkageDatas(void* data, const QString& kind, int x, int y)
{
    // Only a graph of this chart's panes is taken: the pointer comes with an
    // event and is not trusted further.
    CKLineGraphWidget* graph = nullptr;
    QVector<CKLineWidget*> panes = m_subPanes;
    panes.prepend(m_mainPane);
    for (CKLineWidget* pane : panes)
        if (pane && pane->graph() && static_cast<void*>(pane->graph()) == data)
            graph = pane->graph();
    if (!graph || !graph->series())
        return;
    const CKLineData& series = *graph->series();

    if (kind == QLatin1String("linkage_orders")) {
        QVector<std::shared_ptr<qlservice::COrderDetail>> orders;
        series.getOrdersAt(x, y, orders);
        if (orders.isEmpty())
            return;
        if (!m_orderDialog)
            m_orderDialog = new CKLineOrderDialog(this);
        m_orderDialog->setData({orders.begin(), orders.end()});
        showAlone(m_orderDialog);
    } else if (kind == QLatin1String("linkage_deals")) {
        QVector<std::shared_ptr<qlservice::CDealDetail>> deals;
        series.getDealsAt(x, y, deals);
        if (deals.isEmpty())
            return;
        if (!m_dealDialog)
            m_dealDialog = new CKLineDealDialog(this);
        m_dealDialog->setData({deals.begin(), deals.end()});
        showAlone(m_dealDialog);
    } else if (kind == QLatin1String("linkage_tasks")) {
        QVector<std::shared_ptr<qlservice::CTaskDetail>> tasks;
        series.getTasksAt(x, y, tasks);
        if (tasks.isEmpty() || !m_uiParam->curStock)
            return;
        if (!m_taskDialog)
            m_taskDialog = new CKLineTaskTableDialog(this);
        m_taskDialog->setData({tasks.begin(), tasks.end()}, m_uiParam->curStock);
        showAlone(m_taskDialog);
    }
}

} // namespace TC
