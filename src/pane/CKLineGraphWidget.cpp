#include "pane/CKLineGraphWidget.h"

#include "dialogs/CParamRankWidget.h"
#include "platform/indexui/CMessageTipBox.h"

#include "model/CKLineUiParam.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/CDrawGraphManager.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

namespace TC {

CKLineGraphWidget::CKLineGraphWidget(int paneIndex, boost::shared_ptr<CKLineUiParam> uiParam,
                                     boost::shared_ptr<CKLineData> series, int displayType, int viewType,
                                     QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("kline_graph_widget"), false, parent), m_pUiParam(std::move(uiParam)),
      m_pData(std::move(series)), m_displayType(displayType), m_viewType(viewType), m_paneIndex(paneIndex)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_tipBox = new CMessageTipBox(10, this);
    m_tipBox->hide();
    m_paramRank = new CParamRankWidget(this);
    m_paramRank->hide();
    initConvFunc([this](QPointF p) { return pixelToValue(p); },
                 [this](QPointF v) { return valueToPixel(v); });
    updateDrawGraphKey();
}

CKLineGraphWidget::~CKLineGraphWidget() = default;

// ---------------------------------------------------------------------------
// Formulas

void CKLineGraphWidget::addIndex(const QString& name, const QString& paramText)
{
    if (!m_pData || name.trimmed().isEmpty())
        return;
    const QString upper = name.trimmed().toUpper();
    if (m_externalMainGraph && m_displayType == 0)
        m_pData->setMainGraph(upper);
    m_pData->addFormula(upper);
    m_paramTexts.insert(upper, paramText);
    m_pData->setParamText(upper, paramText);
}

void CKLineGraphWidget::setIndex(const QString& name, const QString& paramText)
{
    if (!m_pData)
        return;
    const QString upper = name.trimmed().toUpper();
    // Drops the old formulas' subscriptions as well: a replaced formula must
    // not keep answering into this pane.
    m_pData->updateFormula(upper, m_pData->mergeGroup());
    m_paramTexts.clear();
    if (!upper.isEmpty()) {
        m_paramTexts.insert(upper, paramText);
        m_pData->setParamText(upper, paramText);
    } else {
        m_pData->setFormulas(QStringList());
    }
    closeInspectionIfNoFormulas();
}

void CKLineGraphWidget::removeIndex(const QString& name)
{
    if (!m_pData)
        return;
    const QString upper = name.trimmed().toUpper();
    m_pData->removeFormula(upper);
    m_paramTexts.remove(upper);
    closeInspectionIfNoFormulas();
}

void CKLineGraphWidget::removeAllIndexes()
{
    if (!m_pData)
        return;
    const QStringList names = m_pData->getFormulas();
    for (const QString& n : names)
        removeIndex(n);
}

QStringList CKLineGraphWidget::indexNames() const
{
    return m_pData ? m_pData->getFormulas() : QStringList();
}

bool CKLineGraphWidget::hasIndex(const QString& name) const
{
    if (!m_pData)
        return false;
    return m_pData->getFormulas().contains(name.trimmed(), Qt::CaseInsensitive);
}

QString CKLineGraphWidget::paramText(const QString& name) const
{
    return m_paramTexts.value(name.trimmed().toUpper());
}

QString CKLineGraphWidget::getName() const
{
    const QStringList names = indexNames();
    return names.isEmpty() ? QString() : paramText(names.first());
}

void CKLineGraphWidget::prepareExternalMainGraph()
{
    m_externalMainGraph = true;
}

// ---------------------------------------------------------------------------
// Data

void CKLineGraphWidget::requestData(bool flag, int mode)
{
    if (!m_pData)
        return;
    if (m_replay) {
        m_pData->requestReplay(mode);
        return;
    }
    if (m_pData->hasGroupModelIndex() && m_displayType == 1 && m_pUiParam &&
        !m_pUiParam->isShowGroupIndexGraph()) {
        const QStringList names = m_pData->getFormulas();
        const auto detail = names.isEmpty() ? nullptr : CFormulaOperateManager::getFormula(names.first());
        // A group model shows in an indicator pane only when its record puts it there.
        if (!detail || detail->getPlacement() != 0)
            return;
    }
    m_pData->request(mode, flag);
}

void CKLineGraphWidget::clearData()
{
    if (m_pData)
        m_pData->clearSeries();
}

void CKLineGraphWidget::reset()
{
    clearData();
    refreshGraph();
    update();
}

bool CKLineGraphWidget::hasData() const
{
    return m_pData && m_pData->hasData();
}

bool CKLineGraphWidget::hasGroupModelIndex() const
{
    return m_pData && m_pData->hasGroupModelIndex();
}

bool CKLineGraphWidget::hasPythonIndex() const
{
    return m_pData && m_pData->hasPythonIndex();
}

// ---------------------------------------------------------------------------
// Instrument, period, cursor

void CKLineGraphWidget::setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock)
{
    m_stockKey = getDetailQsKey(stock);
    m_externalMainGraph = false;
    if (m_pData && m_displayType == 0)
        m_pData->setMainGraph(QString());
    updateDrawGraphKey();
    loadDrawings();
    reset();
}

void CKLineGraphWidget::setPeriod(int)
{
    const QString old = m_drawGraphKey;
    updateDrawGraphKey();
    // The key names the period: another period has drawings of its own.
    if (m_drawGraphKey != old)
        loadDrawings();
}

void CKLineGraphWidget::updateDrawGraphKey()
{
    const qint64 period = m_pUiParam ? m_pUiParam->period : 0;
    m_drawGraphKey = m_stockKey + getKeySplitter() + QString::number(period);
}

void CKLineGraphWidget::loadDrawings()
{
    setKey(m_drawGraphKey);
    const bson::BSONObj stored = CDrawGraphManager::getGraphData(m_drawGraphKey);
    if (stored.isEmpty() || !setSingleParam(stored))
        clearGraphs();
    recalcAxisByValue();
    update();
}

int CKLineGraphWidget::cursorIndex() const
{
    if (!m_pUiParam)
        return -1;
    return m_pUiParam->lockCursor ? m_pUiParam->lockedIndex : m_pUiParam->crossIndex;
}

void CKLineGraphWidget::cursorRested()
{
    ++m_restCount;
    update();
}

qint64 CKLineGraphWidget::timeAtIndex(int index) const
{
    if (!m_pUiParam || index < 0 || index >= m_pUiParam->m_tradeDateList.size())
        return -1;
    return m_pUiParam->m_tradeDateList.at(index) * 1000;
}

bool CKLineGraphWidget::switchToHistory()
{
    if (!m_pUiParam)
        return false;
    const qint64 ms = timeAtIndex(m_pUiParam->getIndexByXAxis(m_pUiParam->getMouseX()));
    deliverEvent(203, -1, int(ms < 0 ? 0 : ms / 1000), m_pUiParam->getCurrKey(), nullptr);
    return true;
}

bool CKLineGraphWidget::switchToOneDay(const QString& key, qint64 timeMs)
{
    if (!m_pUiParam)
        return false;
    deliverEvent(203, -1, int(timeMs / 1000), key, nullptr);
    return true;
}

bool CKLineGraphWidget::switchToToday()
{
    const QString key = m_pUiParam ? m_pUiParam->getCurrKey() : QString();
    const int day = m_pUiParam ? CStockManager::getLastTradingDay(m_pUiParam->getCurrMarket()) : 0;
    deliverEvent(203, -1, day, key, nullptr);
    return true;
}

void CKLineGraphWidget::showParamPopup(const QPoint& globalPos)
{
    m_popupPos = globalPos;
    update();
}

void CKLineGraphWidget::setMouseIn(bool on)
{
    if (m_mouseIn == on)
        return;
    m_mouseIn = on;
    // Only the crosshair's row and label follow the mouse being inside.
    updateCrosshair();
}

} // namespace TC
