// Ranking lists, market hours, history download and the live-trading hook.
#include <QRunnable>
#include <QTimer>

#include "platform/config/QLLog.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

void CFormulaManager::getLongHuBangDataFromLocalSqlite(const QString& market, const QString& code,
                                                       LongHuBangCallback callback)
{
    startRankListWorker(kLongHuBangLocal, market, code, std::move(callback));
}

void CFormulaManager::requestLonghubangData(const QString& market, const QString& code,
                                            LongHuBangCallback callback)
{
    startRankListWorker(kLongHuBangNetwork, market, code, std::move(callback));
}

void CFormulaManager::startRankListWorker(int type, const QString& market, const QString& code,
                                          LongHuBangCallback callback)
{
    if (!callback)
        return;
    CMarketStore* store = CFormulaEngine::store();
    const QString key = market + code;
    // Deliberately off the GUI thread, as the terminal's ranking-list service
    // answers: the requester marshals the records itself.
    const std::string marketPart = market.toStdString();
    const std::string codePart = code.toStdString();
    m_workers.start(QRunnable::create([store, key, type, callback, marketPart, codePart]() {
        RankListByDay byDay;
        for (const CRankListRecord& r : store->rankList(key)) {
            auto info = std::make_shared<se::LongHuBangRankListInfo>();
            info->timeMs = r.time;
            info->key = key.toStdString();
            info->reason = r.reason.toStdString();
            for (const CRankListRecord::Broker& b : r.buyers) {
                info->buyers.emplace_back(b.name.toStdString(), b.amount);
                info->turnover += b.amount;
            }
            for (const CRankListRecord::Broker& b : r.sellers) {
                info->sellers.emplace_back(b.name.toStdString(), b.amount);
                info->turnover += b.amount;
            }
            byDay[r.time].append(info);
        }
        QLLOG_INFO_S(qlog::kStdLogger, "ranking list of %1% (type %2%): %3% day(s)", key, type, byDay.size());
        callback(marketPart, codePart, byDay, type);
    }));
}

void CFormulaManager::waitForWorkers()
{
    m_workers.waitForDone();
}

void CFormulaManager::requestMarketOpenCloseTime(QMap<QString, QVector<QPair<qint64, qint64>>>& map) const
{
    map.clear();
    CMarketStore* store = CFormulaEngine::store();
    const QDate today = store->today();
    for (const QString& market : store->markets()) {
        QVector<QPair<qint64, qint64>> pairs = kelv::getOpenCloseTime(market);
        if (today.isValid() && CLocalTimeConverter::dayTag(today) > store->lastTradingDay(market)) {
            for (const CTradingSession& s : store->sessions(market)) {
                pairs.append(qMakePair(CLocalTimeConverter::timeAt(today, s.startMinute) * 1000,
                                       CLocalTimeConverter::timeAt(today, s.endMinute) * 1000));
            }
        }
        map.insert(market, pairs);
    }
}

void CFormulaManager::suppleDataFromServer(const QString& key, const CFormulaParam& historyParam,
                                           SuppleProgressCallback progress)
{
    if (!progress)
        return;
    QString error;
    if (key != QLatin1String(kSuppleDataKey))
        error = QStringLiteral("未知的补数据请求: %1").arg(key);
    else if (!CFormulaEngine::store()->hasInstrument(historyParam.stockKey()))
        error = QStringLiteral("无此合约: %1").arg(historyParam.stockKey());
    if (!error.isEmpty()) {
        QLLOG_WARN(qlog::kStdLogger, "%1%", error);
        QTimer::singleShot(0, this, [progress, error, key] { progress(-1, kSuppleSteps, error, key); });
        return;
    }
    QLLOG_INFO(qlog::kStdLogger, "history download of %1%", historyParam.stockKey());
    QTimer::singleShot(0, this, [this, key, progress] { runSuppleStep(key, 1, progress); });
}

void CFormulaManager::runSuppleStep(const QString& key, int step, SuppleProgressCallback progress)
{
    // All history is local here: the steps only pace the requester's refreshes.
    const QString text =
        step < kSuppleSteps ? QStringLiteral("正在补充数据") : QStringLiteral("补充数据完成");
    progress(step, kSuppleSteps, text, key);
    if (step < kSuppleSteps)
        QTimer::singleShot(0, this, [this, key, step, progress] { runSuppleStep(key, step + 1, progress); });
}

void CFormulaManager::sendTempHandleEvent(int eventId, int p1, int p2, const QString& text, QVariant& answer)
{
    answer = QVariant();
    QLLOG_INFO(qlog::kStdLogger, "temp handle event %1% (%2%, %3%, %4%): no live-trading handler", eventId,
               p1, p2, text);
}

} // namespace TC
