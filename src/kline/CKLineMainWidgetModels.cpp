// Group models and strategies on the panes: position and variable views,
// formulas reloaded from the identifiers the service reports, the template
// strip's visibility.
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/indexui/CIndexModelWidget.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineMainWidget::viewGroupModelPosition()
{
    CKLineWidget* pane = findPane(m_highlightedPaneId);
    if (!pane || !pane->isSubPane() || !(pane->hasGroupModelIndex() || pane->hasPythonIndex()))
        return;
    postEvent(217, pane->paneId(), 0, QString(), nullptr);
    pane->graph()->togglePositionView();
}

void CKLineMainWidget::viewVariable()
{
    if (CKLineWidget* pane = findPane(m_highlightedPaneId))
        pane->graph()->toggleVariableView();
}

void CKLineMainWidget::loadGroupSingleFormula()
{
    for (CKLineWidget* pane : m_subPanes) {
        if (!pane->hasGroupModelIndex())
            continue;
        const QStringList names = pane->indexNames();
        if (names.isEmpty())
            continue;
        // The identifier the service put on the pane's answers.
        QString reported;
        const auto& data = pane->series()->getData();
        for (auto it = data.cbegin(); it != data.cend() && reported.isEmpty(); ++it)
            if (it->meta && it.key().formula == names.first())
                reported = QString::fromStdString(it->meta->formulaName);
        const auto detail = reported.isEmpty() ? nullptr : CFormulaOperateManager::getFormulaByRealName(reported);
        if (!detail)
            continue;
        pane->removeIndex(names.first());
        pane->addIndex(detail->getName(), QString());
    }
}

void CKLineMainWidget::showIndexModelWidget()
{
    if (m_indexModel)
        m_indexModel->show();
}

void CKLineMainWidget::setIndexModelVisible(bool on)
{
    if (m_indexModel)
        m_indexModel->setVisible(on);
}

void CKLineMainWidget::changeBtnStatus(bool enabled)
{
    if (m_indexModel)
        m_indexModel->changeBtnStatus(enabled);
}

} // namespace TC
