// The chart's pane operations: adding, removing, sizing and selecting panes,
// and the panes of formulas pushed by the satellite client.
#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CHighlightWidget.h"
#include "platform/indexui/CIndexModelWidget.h"
#include "series/CKLineData.h"

namespace TC {

CKLineWidget* CKLineMainWidget::createSubPane(int paneId, int stretch)
{
    auto* pane = new CKLineWidget(paneId, m_uiParam, 1, m_viewType, this, this);
    pane->setCreateNewWorkShow(m_createNewWorkShow);
    pane->setTimeRangeQuotation(m_timeRangeQuotation);
    pane->setReplay(m_replay);
    pane->setQuickBuySell(m_quickBuySell);
    m_subPanes.append(pane);
    m_paneList->addStretchWidget(pane, stretch, 3, true);
    return pane;
}

CKLineWidget* CKLineMainWidget::addIndexWidget()
{
    CKLineWidget* pane = createSubPane(freshPaneId(), getNewIndexStretchFactor());
    highlightWidget(pane->paneId());
    if (CAppConfig::isClientType(3))
        postEvent(3023, 0, 0, QString(), nullptr);
    return pane;
}

int CKLineMainWidget::getNewIndexStretchFactor() const
{
    if (!m_paneList || m_paneList->count() == 0 || !m_paneList->widgetAt(0))
        return 1;
    return m_paneList->stretch(0) / 2;
}

std::vector<int> CKLineMainWidget::getStretchFactorList() const
{
    // While dragging is off the panes are being rearranged: the sizes the
    // user made are the remembered ones.
    std::vector<int> out;
    for (int i = 0; m_paneList && i < m_paneList->count(); ++i)
        out.push_back(m_paneList->isDragEnabled() ? m_paneList->stretch(i) : m_paneList->oldStretch(i));
    return out;
}

CKLineWidget* CKLineMainWidget::findPane(int paneId) const
{
    if (m_mainPane && m_mainPane->paneId() == paneId)
        return m_mainPane;
    for (CKLineWidget* pane : m_subPanes)
        if (pane->paneId() == paneId)
            return pane;
    return nullptr;
}

void CKLineMainWidget::removeSubPane(CKLineWidget* pane)
{
    pane->hide();
    pane->release();
    m_paneList->removeWidget(pane);
    pane->setUpstream(nullptr);
    pane->deleteLater();
    m_subPanes.removeAll(pane);
    for (auto it = m_satellitePanes.begin(); it != m_satellitePanes.end(); ++it) {
        if (it->pane == pane) {
            m_satellitePanes.erase(it);
            break;
        }
    }
}

void CKLineMainWidget::delIndexWidget(int paneId)
{
    int pos = -1;
    for (int i = 0; i < m_subPanes.size(); ++i)
        if (m_subPanes.at(i)->paneId() == paneId)
            pos = i;
    if (pos >= 0)
        removeSubPane(m_subPanes.at(pos));
    if (m_subPanes.isEmpty()) {
        highlightWidget(0);
        return;
    }
    if (pos < 0)
        pos = m_subPanes.size() - 1;
    highlightWidget(m_subPanes.at(std::min(pos, int(m_subPanes.size()) - 1))->paneId());
}

void CKLineMainWidget::delAllIndexWidgets()
{
    if (m_indexModel)
        m_indexModel->saveSelectTemplateIndex(int(m_uiParam->period));
    while (!m_subPanes.isEmpty())
        removeSubPane(m_subPanes.last());
    highlightWidget(0);
}

void CKLineMainWidget::clearSubIndexes()
{
    QVector<int> ids;
    for (CKLineWidget* pane : m_subPanes)
        ids << pane->paneId();
    for (int id : ids)
        delIndexWidget(id);
}

void CKLineMainWidget::adjustIndexWidgetSize(int count)
{
    const int wanted = std::max(count - 1, 0);
    while (m_subPanes.size() < wanted) {
        const int k = m_subPanes.size() + 1;
        CKLineWidget* pane = addIndexWidget();
        if (k - 1 < m_defaultSubIndexes.size())
            pane->addIndex(m_defaultSubIndexes.at(k - 1), QString());
        request(false);
    }
    while (m_subPanes.size() > wanted) {
        CKLineWidget* pane = m_subPanes.last();
        if (m_indexModel) {
            m_indexModel->updateIndexTemplate(pane->lastIndexName());
            m_indexModel->saveSelectTemplateIndex(int(m_uiParam->period));
        }
        pane->clear();
        removeSubPane(pane);
    }
    if (m_subPanes.isEmpty())
        highlightWidget(0);
    saveCurrentIndexs();
}

void CKLineMainWidget::setSubIndexSize(int n)
{
    while (m_subPanes.size() < n)
        addIndexWidget();
    while (m_subPanes.size() > std::max(n, 0))
        delIndexWidget(m_subPanes.last()->paneId());
}

void CKLineMainWidget::highlightWidget(int paneId)
{
    if (m_viewType == 3)
        return;
    if (m_subPanes.isEmpty()) {
        m_highlight->hide();
    } else {
        // Selecting the main pane leaves no sub-pane title marked.
        for (CKLineWidget* pane : m_subPanes)
            pane->setSelected(pane->paneId() == paneId);
        m_highlightedPaneId = paneId;
        m_paneList->updateWidgetLength();
        placeHighlight();
        m_highlight->show();
        m_highlight->raise();
    }
    m_highlightedPaneId = paneId;
    m_uiParam->highlightedPane = paneId;
}

void CKLineMainWidget::placeHighlight()
{
    if (!m_highlight)
        return;
    if (const CKLineWidget* target = findPane(m_highlightedPaneId))
        m_highlight->setGeometry(QRect(m_paneList->mapTo(this, target->geometry().topLeft()), target->size()));
    m_highlight->setLRMargin(0, m_uiParam->axisWidth);
}

bool CKLineMainWidget::hasIndex(const QString& name) const
{
    if (m_mainPane && m_mainPane->hasIndex(name))
        return true;
    for (CKLineWidget* pane : m_subPanes)
        if (pane->hasIndex(name))
            return true;
    return false;
}

bool CKLineMainWidget::isGroupIndexExist(int paneId) const
{
    const CKLineWidget* pane = findPane(paneId);
    return pane && pane->hasGroupModelIndex();
}

void CKLineMainWidget::setMouseInFalse()
{
    if (m_mainPane)
        m_mainPane->setMouseIn(false);
    for (CKLineWidget* pane : m_subPanes)
        pane->setMouseIn(false);
}

void CKLineMainWidget::updateCrosshairs()
{
    if (m_mainPane)
        m_mainPane->graph()->updateCrosshair();
    for (CKLineWidget* pane : m_subPanes)
        pane->graph()->updateCrosshair();
}

QList<int> CKLineMainWidget::getModelGroupList() const
{
    QList<int> ids;
    for (CKLineWidget* pane : m_subPanes)
        if (pane->hasGroupModelIndex())
            ids << pane->paneId();
    return ids;
}

QList<QString> CKLineMainWidget::getCurrentIndexes() const
{
    QList<QString> list;
    list << mainOverlays().value(0);
    for (CKLineWidget* pane : m_subPanes) {
        const QStringList names = pane->indexNames();
        list << (names.isEmpty() ? QString() : names.first());
    }
    return list;
}

void CKLineMainWidget::saveCurrentIndexs()
{
    m_periodIndexes[int(m_uiParam->period)] = getCurrentIndexes();
    if (m_indexModel)
        m_indexModel->saveSelectTemplateIndex(int(m_uiParam->period));
}

void CKLineMainWidget::setCurrentIndexes(const QList<QString>& list)
{
    if (!m_mainPane)
        return;
    // An empty list (a period without a layout) leaves the main pane
    // without indicators too.
    removeMainOverlays();
    if (!list.isEmpty() && !list.first().isEmpty())
        m_mainPane->addIndex(list.first(), QString());
    for (int i = 1; i < list.size(); ++i) {
        if (i - 1 < m_subPanes.size())
            m_subPanes.at(i - 1)->setIndex(list.at(i), QString());
        else
            addIndexWidget()->addIndex(list.at(i), QString());
    }
}

void CKLineMainWidget::setIndex(const QString& name)
{
    const auto detail = CFormulaOperateManager::getFormula(name);
    if (!detail || !m_mainPane)
        return;
    if (detail->getPlacement() == 1) {
        if (m_mainPane->hasIndex(name))
            return;
        removeMainOverlays();
        m_mainPane->addIndex(name, QString());
        return;
    }
    if (m_subPanes.isEmpty())
        addIndexWidget();
    m_subPanes.first()->setIndex(name, QString());
}

void CKLineMainWidget::setSubIndex(int index, const QString& name)
{
    if (index == 2 && m_subPanes.size() < 2)
        setSubIndexSize(2);
    if (index < 0 || index >= m_subPanes.size())
        return;
    CKLineWidget* pane = m_subPanes.at(index);
    pane->setIndex(name, QString());
    pane->request(pane->lastRunMode(), true);
}

void CKLineMainWidget::clearSubGraphFormulas()
{
    for (CKLineWidget* pane : m_subPanes) {
        for (const QString& f : pane->indexNames()) {
            pane->removeIndex(f);
            pane->refresh();
        }
    }
    repaint();
}

bool CKLineMainWidget::takeOffMainPane(const QString& formula)
{
    if (!m_mainPane || !m_mainPane->hasIndex(formula))
        return false;
    m_mainPane->removeIndex(formula);
    bool priceLeft = false;
    for (const QString& f : m_mainPane->indexNames())
        priceLeft = priceLeft || m_mainPane->series()->isMainGraph(f);
    if (!priceLeft) {
        m_mainPane->addIndex(QStringLiteral("KLINE"), QString());
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Satellite panes

CKLineWidget* CKLineMainWidget::satellitePane(const QString& paneName) const
{
    const auto it = m_satellitePanes.constFind(paneName);
    return it == m_satellitePanes.constEnd() ? nullptr : it->pane;
}

void CKLineMainWidget::createIndexWidget(const QString& paneName, int placement, const QString& formula, bool reuse)
{
    if (!m_mainPane)
        return;
    const bool known = m_satellitePanes.contains(paneName);
    if (reuse)
        m_satellitePanes.clear();
    CKLineWidget* pane = nullptr;
    if (placement == 2) {
        m_mainPane->graph()->prepareExternalMainGraph();
        m_mainPane->addIndex(formula, QString());
        clear(true);
        pane = m_mainPane;
    } else if (placement == 1) {
        if (m_mainPane->hasIndex(formula)) {
            if (takeOffMainPane(formula))
                m_mainPane->request(m_mainPane->lastRunMode(), true);
        } else {
            removeMainOverlays();
            m_mainPane->addIndex(formula, QString());
        }
        for (CKLineWidget* sub : m_subPanes)
            if (sub->hasIndex(formula)) {
                sub->removeIndex(formula);
                sub->refresh();
            }
        pane = m_mainPane;
    } else {
        if (m_mainPane->hasIndex(formula) && takeOffMainPane(formula))
            m_mainPane->request(m_mainPane->lastRunMode(), true);
        if (known || reuse)
            for (CKLineWidget* sub : m_subPanes)
                if (sub->graph()->getName() == paneName) {
                    pane = sub;
                    break;
                }
        if (!pane && reuse && !m_subPanes.isEmpty())
            pane = m_subPanes.last();
        if (pane) {
            pane->setIndex(formula, paneName);
        } else {
            pane = addIndexWidget();
            pane->addIndex(formula, paneName);
        }
        pane->setFocus(Qt::OtherFocusReason);
    }
    SatellitePane record;
    record.formula = formula;
    record.paneName = paneName;
    record.placement = placement;
    record.pane = pane;
    m_satellitePanes.insert(paneName, record);
    pane->series()->setSatelliteFed(true);
    saveCurrentIndexs();
}

void CKLineMainWidget::destoryWidget(const QString& paneName)
{
    const auto it = m_satellitePanes.constFind(paneName);
    if (it == m_satellitePanes.constEnd() || !it->pane)
        return;
    // The chart removes the pane on 3020 and its record with it: keep what
    // is needed afterwards.
    CKLineWidget* pane = it->pane;
    const QString formula = it->formula;
    const bool subPane = pane->isSubPane();
    pane->deliverEvent(3020, pane->paneId(), 1, pane->indexName(), nullptr);
    if (subPane)
        CFormulaManager::instance()->clearExtendCache(formula);
}

void CKLineMainWidget::satelliteFormulaDataCallback(const QString& name,
                                                    const std::shared_ptr<se::RPCFormulaMetaResult>& meta,
                                                    const std::shared_ptr<se::RPCFormulaResult>& result)
{
    const auto it = m_satellitePanes.constFind(name);
    if (it == m_satellitePanes.constEnd() || !it->pane)
        return;
    it->pane->series()->satelliteFormulaDataCallback(meta, result, it->paneName, it->formula, 1);
}

} // namespace TC
