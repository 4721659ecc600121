#include "platform/formula/service/KelvDataSource.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace kelv {

std::vector<std::shared_ptr<quoter::DividData>> getDividData(const quoter::TSMetaInfo& info)
{
    std::vector<std::shared_ptr<quoter::DividData>> out;
    if (info.dataType != quoter::TSMetaInfo::kDividData)
        return out;
    const QString key = QString::fromStdString(info.market + info.code);
    for (const quoter::DividData& d : TC::CFormulaEngine::store()->dividData(key))
        out.push_back(std::make_shared<quoter::DividData>(d));
    return out;
}

QVector<QPair<qint64, qint64>> getOpenCloseTime(const QString& market, const QString& code)
{
    Q_UNUSED(code);
    QVector<QPair<qint64, qint64>> out;
    TC::CMarketStore* store = TC::CFormulaEngine::store();
    const qint64 day = store->lastTradingDay(market);
    if (day == 0)
        return out;
    const QDate date = TC::CLocalTimeConverter::dateOf(day);
    for (const TC::CTradingSession& s : store->sessions(market)) {
        out.append(qMakePair(TC::CLocalTimeConverter::timeAt(date, s.startMinute) * 1000,
                             TC::CLocalTimeConverter::timeAt(date, s.endMinute) * 1000));
    }
    return out;
}

bool isLevel2User(const QString& market)
{
    Q_UNUSED(market);
    return false;
}

QString getGroupRunProgress2(const QString& requestId)
{
    int done = 0;
    int total = 0;
    TC::CFormulaManager::instance()->getGroupRunProgress(done, total, requestId);
    QJsonObject o;
    o.insert(QStringLiteral("id"), requestId);
    o.insert(QStringLiteral("done"), done);
    o.insert(QStringLiteral("total"), total);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

} // namespace kelv
