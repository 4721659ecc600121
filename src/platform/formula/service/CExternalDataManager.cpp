#include "platform/formula/service/CExternalDataManager.h"

#include <cmath>
#include <limits>

#include <QMutexLocker>

#include "platform/config/CSingletonT.h"
#include "platform/config/QLLog.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/market/CMarketStore.h"

namespace TC {

CExternalDataManager* CExternalDataManager::instance()
{
    return utils::CSingletonT<CExternalDataManager>::instance();
}

void CExternalDataManager::loadDefaults()
{
    m_defaultsLoaded = true;
    CMarketStore* store = CFormulaEngine::store();
    for (const QString& key : store->instrumentKeys()) {
        const auto d = store->instrument(key);
        if (d && d->market == "ED")
            m_products.insert(QString::fromStdString(d->code), kKindSeries);
    }
}

std::optional<int> CExternalDataManager::getCatalog(const QString& code)
{
    QMutexLocker lock(&m_mutex);
    if (!m_defaultsLoaded)
        loadDefaults();
    auto it = m_products.constFind(code);
    if (it == m_products.cend())
        return std::nullopt;
    return *it;
}

bool CExternalDataManager::addCatalog(const QString& code, int kind)
{
    if (code.trimmed().isEmpty())
        return false;
    QMutexLocker lock(&m_mutex);
    if (!m_defaultsLoaded)
        loadDefaults();
    m_products.insert(code.trimmed(), kind);
    return true;
}

bool CExternalDataManager::isExist(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_series.contains(name);
}

bool CExternalDataManager::removeData(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    return m_series.remove(name) > 0;
}

bool CExternalDataManager::generateData1(const CExternalDataInfo& info,
                                         const std::vector<se::RPCTimeItem>& times,
                                         const std::vector<double>& values)
{
    if (info.name.trimmed().isEmpty() || times.size() != values.size()) {
        QLLOG_WARN(qlog::kStdLogger, "external series \"%1%\" refused: %2% times, %3% values", info.name,
                   times.size(), values.size());
        return false;
    }
    CSeries s;
    s.info = info;
    for (size_t i = 0; i < times.size(); ++i) {
        if (std::isfinite(values[i]) && values[i] != std::numeric_limits<double>::max())
            s.points.append(qMakePair(times[i].timeMs, values[i]));
    }
    std::sort(
        s.points.begin(), s.points.end(),
        [](const QPair<qint64, double>& a, const QPair<qint64, double>& b) { return a.first < b.first; });
    QMutexLocker lock(&m_mutex);
    m_series.insert(info.name, s);
    return true;
}

QVector<QPair<qint64, double>> CExternalDataManager::data(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_series.value(name).points;
}

CExternalDataInfo CExternalDataManager::info(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_series.value(name).info;
}

} // namespace TC
