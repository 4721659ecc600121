// Formulas reaching the chart from the formula manager and the editor:
// where each goes, what it replaces and which panes are requested again.
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/indexui/CIndexModelWidget.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineMainWidget::updateIndex(const QString& name, int op, int applyArg, kelv::EFormulaLanguage language,
                                   kelv::ERunMode runMode, const QString& paramText)
{
    switch (op) {
    case 0:
        handleDoubleClickedFormula(name, paramText);
        break;
    case 1:
        m_uiParam->applyIndexArg = applyArg;
        handleApplyFormula(name, language, runMode);
        break;
    case 2:
        handleConfirmFormula(name, language);
        break;
    case 3:
        handleModifyFormula(name, language);
        break;
    case 4:
        handleDeleteFormula(name);
        if (m_indexModel)
            m_indexModel->delIndexTemplate(name);
        break;
    default:
        break;
    }
    saveCurrentIndexs();
}

bool CKLineMainWidget::takeOverDrType(int drType)
{
    // -1: the formula has no preference; the chart keeps its own type.
    if (drType < 0 || drType == m_uiParam->drType)
        return false;
    m_uiParam->drType = drType;
    if (m_mainPane)
        m_mainPane->setDrType(drType);
    return true;
}

void CKLineMainWidget::requestAfterDrChange()
{
    if (m_mainPane)
        m_mainPane->unrequest();
    unrequestSubGraph();
    requestNoChangeAxis(false);
}

CKLineWidget* CKLineMainWidget::formulaTargetPane() const
{
    if (m_subPanes.isEmpty())
        return nullptr;
    CKLineWidget* pane = findPane(m_highlightedPaneId);
    return pane && pane != m_mainPane ? pane : m_subPanes.last();
}

void CKLineMainWidget::placeFormula(int placement, const QString& name, const QString& paramText, int runMode,
                                    bool drChanged)
{
    switch (placement) {
    case 2:
        m_mainPane->graph()->prepareExternalMainGraph();
        m_mainPane->addIndex(name, paramText);
        clear(true);
        request(false);
        break;
    case 1:
        if (m_mainPane->hasIndex(name))
            takeOffMainPane(name);
        else
            removeMainOverlays();
        m_mainPane->addIndex(name, paramText);
        m_mainPane->request(runMode, true);
        for (CKLineWidget* sub : m_subPanes)
            if (sub->hasIndex(name)) {
                sub->removeIndex(name);
                sub->refresh();
            }
        break;
    default: {
        // A price-pane formula moved to a sub-pane leaves the main pane
        // with its candles.
        if (m_mainPane->hasIndex(name)) {
            if (takeOffMainPane(name) && !drChanged)
                request(false);
            m_mainPane->refresh();
        }
        if (CKLineWidget* pane = formulaTargetPane()) {
            updateIndexTemplate(pane, name, false);
            pane->setIndex(name, paramText);
            pane->request(runMode, true);
        } else {
            pane = addIndexWidget();
            pane->addIndex(name, paramText);
            pane->request(runMode, true);
        }
        break;
    }
    }
}

void CKLineMainWidget::handleApplyFormula(const QString& name, kelv::EFormulaLanguage, kelv::ERunMode runMode)
{
    m_uiParam->runMode = runMode;
    const auto detail = CFormulaOperateManager::getFormula(name);
    if (!detail || !m_mainPane)
        return;
    bool drChanged = false;
    if (runMode == 1) {
        drChanged = takeOverDrType(detail->getDrType());
        if (drChanged && m_replay)
            request(false);
    }
    placeFormula(detail->getPlacement(), detail->getName(), QString(), runMode, drChanged);
    if (drChanged)
        requestAfterDrChange();
}

void CKLineMainWidget::handleConfirmFormula(const QString& name, kelv::EFormulaLanguage)
{
    m_uiParam->runMode = 0;
    const auto detail = CFormulaOperateManager::getFormula(name);
    if (!detail || !m_mainPane)
        return;
    const QString formula = detail->getName();
    const bool drChanged = takeOverDrType(detail->getDrType());
    switch (detail->getPlacement()) {
    case 2:
        placeFormula(2, formula, QString(), 0, drChanged);
        break;
    case 1:
        if (m_mainPane->hasIndex(formula)) {
            takeOffMainPane(formula);
            m_mainPane->addIndex(formula, QString());
            m_mainPane->request(0, false);
        }
        break;
    default:
        for (CKLineWidget* pane : m_subPanes)
            if (pane->hasIndex(formula)) {
                updateIndexTemplate(pane, formula, false);
                pane->setIndex(formula, QString());
                pane->request(0, false);
            }
        break;
    }
    if (drChanged)
        requestAfterDrChange();
}

void CKLineMainWidget::handleModifyFormula(const QString& name, kelv::EFormulaLanguage)
{
    if (!m_mainPane)
        return;
    m_uiParam->runMode = 0;
    const QString formula = name.trimmed().toUpper();
    if (m_mainPane->hasIndex(formula)) {
        m_mainPane->removeIndex(formula);
        m_mainPane->addIndex(formula, QString());
        m_mainPane->request(0, false);
    }
    for (CKLineWidget* pane : m_subPanes)
        if (pane->hasIndex(formula)) {
            pane->setIndex(formula, QString());
            pane->request(0, true);
        }
}

void CKLineMainWidget::handleDeleteFormula(const QString& name)
{
    const QString formula = name.trimmed().toUpper();
    if (m_mainPane && m_mainPane->hasIndex(formula)) {
        m_mainPane->removeIndex(formula);
        m_mainPane->refresh();
    }
    for (CKLineWidget* pane : m_subPanes)
        if (pane->hasIndex(formula)) {
            pane->removeIndex(formula);
            pane->refresh();
        }
    repaint();
}

void CKLineMainWidget::handleDoubleClickedFormula(const QString& name, const QString& paramText)
{
    const auto detail = CFormulaOperateManager::getFormula(name);
    if (!detail || !m_mainPane)
        return;
    placeFormula(detail->getPlacement(), detail->getName(), paramText, m_uiParam->runMode, false);
}

void CKLineMainWidget::upIndexByExtend(const QString& name)
{
    for (CKLineWidget* pane : m_subPanes) {
        const QStringList formulas = pane->indexNames();
        if (formulas.isEmpty())
            continue;
        QStringList extended;
        CFormulaManager::instance()->getGroupExtendNames(formulas.last(), extended);
        if (!extended.contains(name))
            continue;
        pane->setIndex(formulas.last(), QString());
        pane->request(0, false);
    }
}

void CKLineMainWidget::updateIndexTemplate(CKLineWidget* pane, QString name, bool force)
{
    if (!m_indexModel || !pane)
        return;
    if (force || name != pane->lastIndexName()) {
        m_indexModel->updateIndexTemplate(pane->lastIndexName());
        m_indexModel->saveSelectTemplateIndex(int(m_uiParam->period));
    }
}

void CKLineMainWidget::updateIndexTemplate()
{
    if (m_indexModel)
        m_indexModel->updateIndexTemplate();
}

QString CKLineMainWidget::frontSubIndex() const
{
    if (m_subPanes.isEmpty())
        return QString();
    const QStringList names = m_subPanes.first()->indexNames();
    return names.isEmpty() ? QString() : names.first();
}

// ---------------------------------------------------------------------------
// Custom index and superposition

void CKLineMainWidget::setCustomIndex(CIndexDetail index)
{
    m_uiParam->setCustomIndex(index);
    if (!m_mainPane)
        return;
    m_mainPane->setStock(indexDetail2Detail(index));
    if (!m_uiParam->formulaBase)
        resetFormulaAxis();
    m_mainPane->clear();
    clearAndRequestDivid(true);
}

void CKLineMainWidget::addSuperposedCustomIndex(CIndexDetail index)
{
    if (index.key.isEmpty() || m_uiParam->isSuperPosCustomIndex(index.key))
        return;
    m_uiParam->addCustomIndexList.append(index);
}

QStringList CKLineMainWidget::superposedIndex() const
{
    QStringList keys;
    for (const CIndexDetail& index : m_uiParam->addCustomIndexList)
        keys << index.key;
    return keys;
}

int CKLineMainWidget::superposedStockSize() const
{
    return m_uiParam->addStockList.size();
}

void CKLineMainWidget::delAllAddStock()
{
    if (m_mainPane)
        m_mainPane->series()->delAllStockData();
    m_uiParam->delAllStock();
    if (m_mainPane) {
        if (m_mainPane->title())
            m_mainPane->title()->setAddStocks(QStringList());
        m_mainPane->refresh();
    }
}

void CKLineMainWidget::clearSuperposIndex()
{
    if (m_uiParam->addCustomIndexList.isEmpty())
        return;
    if (m_mainPane)
        for (const CIndexDetail& index : m_uiParam->addCustomIndexList)
            m_mainPane->series()->removeStockData(index.key);
    m_uiParam->addCustomIndexList.clear();
    if (m_mainPane)
        m_mainPane->refresh();
}

void CKLineMainWidget::clearStock()
{
    // The instruments the user added; the sector index and the convertible
    // bond follow the instrument and stay.
    CKLineUiParam& ui = *m_uiParam;
    const QString own = ui.getCurrKey();
    for (int i = ui.addStockList.size() - 1; i >= 0; --i) {
        const QString key = getDetailQsKey(ui.addStockList.at(i));
        if (getDetailQsMarket(ui.addStockList.at(i)) == QLatin1String("BKZS") || ui.addConvertibleCodes.contains(key))
            continue;
        if (m_mainPane && key != own)
            m_mainPane->series()->removeStockData(key);
        ui.addStockList.removeAt(i);
        ui.superposeColorMap.remove(key);
    }
    if (m_mainPane) {
        if (m_mainPane->title())
            m_mainPane->title()->setAddStocks(superposedStock());
        m_mainPane->refresh();
    }
}

void CKLineMainWidget::showContrastSector()
{
    CKLineUiParam& ui = *m_uiParam;
    if (ui.swLevel < 0)
        ui.setAddSwBkzsLevel(1);
    ui.updateAddSwBkzsCode();
    if (m_mainPane) {
        if (m_mainPane->title())
            m_mainPane->title()->setAddStocks(superposedStock());
        m_mainPane->request(m_mainPane->lastRunMode(), false);
    }
}

} // namespace TC
