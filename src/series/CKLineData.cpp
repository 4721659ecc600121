// Construction and the small operations of a series.
#include "series/CKLineData.h"

#include <QCoreApplication>
#include <QThread>

#include "model/CKLineUiParam.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/indexui/CDrawStyle.h"
#include "series/CGroupResultManager.h"

namespace TC {

CKLineData::CKLineData(boost::shared_ptr<CKLineUiParam> uiParam, int paneRole, KW::CEventDeliverer* deliverer)
    : IndexBaseData(deliverer), m_pUiParam(std::move(uiParam))
{
    m_paneRole = paneRole;
    // Automatic connection: an emission from the ranking-list worker runs
    // the slot on this object's (GUI) thread.
    connect(this, &CKLineData::sigUpdateLonghubangData, this, &CKLineData::slotUpdateIndexView);
}

CKLineData::~CKLineData()
{
    // The pane's deliverer list and the group result store are GUI-thread
    // only; a series whose last owner was a worker would corrupt both.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread())
        QLLOG_ERROR(qlog::kStdLogger, "series destroyed off the GUI thread");
    disconnect();
    // Only touch the store when it exists; creating it during teardown
    // would outlive the caller's intent.
    if (CGroupResultManager* store = utils::CSingletonT<CGroupResultManager>::s_pInstance.load())
        store->removeSeries(this);
}

void CKLineData::slotUpdateIndexView()
{
    if (!m_data.isEmpty())
        deliverEvent(180, 0, 0, QString(), nullptr);
}

void CKLineData::clearSeries()
{
    m_data.clear();
    m_nonBaseData.clear();
    m_maxMinMap.clear();
    m_drawnRanges.clear();
}

QPoint CKLineData::getSeriesRegion(QPoint window, int bars, const CFormulaKey& key) const
{
    const auto detail = CFormulaOperateManager::getFormula(key.formula);
    if (detail && detail->getCountLimit() < 1)
        return window;
    const int d = (m_pUiParam ? int(m_pUiParam->m_tradeDateList.size()) : 0) - bars;
    int x = window.x();
    int y = window.y();
    const int len = y - x;
    if (d > 0 && len <= bars) {
        x -= d;
        y -= d;
    } else if (d < 0) {
        x += -d;
        y += -d;
    } else if (d > 0) {
        x = len - bars + 1;
        y = len;
        if (y < x)
            y = len;
    }
    if (x < 1)
        x = 0;
    if (y < 1)
        y = 0;
    return QPoint(x, y);
}

QString CKLineData::rankListKey() const
{
    boost::shared_lock<boost::shared_mutex> lock(m_lhbLock);
    return m_lhbKey;
}

CKLineData::RankListByDay CKLineData::rankListRecords() const
{
    boost::shared_lock<boost::shared_mutex> lock(m_lhbLock);
    return m_lhbRecords;
}

} // namespace TC
