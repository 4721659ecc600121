// Request orchestration beyond the batch request: the period cycle, the
// tick chart's level, linkage to day views, host callbacks and the history
// download with its progress.
#include <QPointer>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

bool isDayBased(qint64 period)
{
    return (period >= 86400 && period <= 31536000) || period == 10;
}

} // namespace

void CKLineMainWidget::switchPeriod()
{
    const int next = getPeriodByIndex((getPeriodIndex(int(m_uiParam->period)) + 1) % kPeriodCount);
    handleEvent(194, 0, next, QString(), nullptr);
    if (getConfig()->conciseStyle())
        postEvent(194, 0, next, QString(), nullptr);
}

void CKLineMainWidget::updateLevelTickIndex()
{
    if (!m_uiParam->tickGraph || !m_mainPane || m_mainPane->hasIndex(QStringLiteral("TICKDATA")))
        return;
    m_mainPane->unrequest();
    m_mainPane->setIndex(QStringLiteral("TICKDATA"), QString());
    m_mainPane->request(m_mainPane->lastRunMode(), true);
}

int CKLineMainWidget::getCurIndexTradeDate() const
{
    const CKLineUiParam& ui = *m_uiParam;
    const int index = ui.lockCursor ? ui.lockedIndex : ui.crossIndex;
    if (index < 0 || index >= ui.m_tradeDateList.size())
        return 0;
    return int(ui.m_tradeDateList.at(index));
}

bool CKLineMainWidget::switchToHistory()
{
    return m_mainPane && m_mainPane->graph()->switchToHistory();
}

bool CKLineMainWidget::switchToOneDay(const QString& key, qint64 timeMs)
{
    return m_mainPane && m_mainPane->graph()->switchToOneDay(key, timeMs);
}

bool CKLineMainWidget::switchToToday()
{
    return m_mainPane && m_mainPane->graph()->switchToToday();
}

void CKLineMainWidget::setGetTickRangeFunc(
    const boost::function<std::pair<qint64, qint64>(std::shared_ptr<qlservice::CInstrumentDetail>)>& func)
{
    m_uiParam->getTickRangeFunc = func;
}

void CKLineMainWidget::setGetTradeDateFunc(const boost::function<int()>& func)
{
    m_uiParam->getTradeDateFunc = func;
}

CHistoryDataParam CKLineMainWidget::historyDataParam() const
{
    const CKLineUiParam& ui = *m_uiParam;
    CHistoryDataParam p;
    const auto stock = ui.curStock;
    if (ui.getTradeDateFunc)
        p.tradeDate = ui.getTradeDateFunc();
    else if (stock)
        p.tradeDate = CStockManager::getLastTradingDay(getDetailQsMarket(stock));
    const QPair<qint64, qint64> hours = CStockManager::getStartEndTime(getDetailQsKey(stock), p.tradeDate);
    p.dayStart = hours.first;
    p.dayEnd = hours.second;
    p.markets << ui.getCurrMarket();
    p.codes << ui.getCurrCode();
    p.periodMs = ui.period * 1000;
    p.kind = CHistoryDataParam::kDownloadKind;
    if (ui.period == 0) {
        p.rangeStart = quoter::TimeSeq{p.dayStart * 1000, 0};
        p.rangeEnd = quoter::TimeSeq{p.dayEnd * 1000, 0};
    } else if (isDayBased(ui.period)) {
        p.rangeStart = quoter::TimeSeq::TIME_START;
        p.rangeEnd = quoter::TimeSeq::TIME_LASTED;
    } else {
        p.rangeStart = quoter::TimeSeq{qint64(ui.getTimeTagByIndex(ui.getMinDispIndex())) * 1000, 0};
        p.rangeEnd = quoter::TimeSeq{qint64(ui.getTimeTagByIndex(ui.getMaxDispIndex())) * 1000, 0};
    }
    return p;
}

void CKLineMainWidget::downloadData()
{
    if (!m_uiParam || !m_uiParam->curStock)
        return;
    const CHistoryDataParam p = historyDataParam();
    QLLOG_INFO(qlog::kStdLogger, "download history, mainID:%1%, key:%2%, period:%3%", m_mainId, p.stockKey(),
               p.periodMs);
    // The chart may be gone before the service has finished.
    QPointer<CKLineMainWidget> self(this);
    CFormulaManager::instance()->suppleDataFromServer(
        QString::fromLatin1(CFormulaManager::kSuppleDataKey), p,
        [self](int done, int total, QString text, QString key) {
            if (self)
                self->suppleProgress(done, total, text, key);
        });
}

void CKLineMainWidget::suppleProgress(int done, int total, QString text, QString key)
{
    m_downloadDone = done;
    m_downloadTotal = total;
    m_downloadText = text;
    if (done == -1) {
        QLLOG_WARN(qlog::kStdLogger, "history download %1% failed: %2%", key, text);
        return;
    }
    // Every chunk that came in is shown at once, the last one included, so
    // the chart ends on the whole download.
    if (done <= total)
        request(false);
}

void CKLineMainWidget::clearAndRequestDivid(bool reload)
{
    if (m_mainPane)
        m_mainPane->series()->clearAndRequestDivid(reload);
}

} // namespace TC
