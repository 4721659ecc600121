#include "platform/formula/service/CWindDataManager.h"

#include <QMutexLocker>

#include "platform/config/CSingletonT.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

CWindDataManager* CWindDataManager::instance()
{
    return utils::CSingletonT<CWindDataManager>::instance();
}

std::optional<CExternalDataCatalog> CWindDataManager::getCatalogByFormula(const QString& name)
{
    return instance()->catalogOf(name);
}

void CWindDataManager::loadDefaults()
{
    m_defaultsLoaded = true;
    CMarketStore* store = CFormulaEngine::store();
    const auto detail = store->instrument(QLatin1String(kShiborKey));
    const QVector<quoter::CBar> days = store->dayBars(QLatin1String(kShiborKey));
    if (!detail || days.isEmpty())
        return;
    CExternalDataCatalog c;
    c.start = CLocalTimeConverter::dateOf(days.first().time).toString(QStringLiteral("yyyyMMdd"));
    c.end = CLocalTimeConverter::dateOf(days.last().time).toString(QStringLiteral("yyyyMMdd"));
    c.field = QString::fromStdString(detail->code);
    c.name = QString::fromStdString(detail->name);
    c.unit = QStringLiteral("%");
    m_catalogs.insert(QLatin1String(kShiborFormula), c);
}

std::optional<CExternalDataCatalog> CWindDataManager::catalogOf(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    if (!m_defaultsLoaded)
        loadDefaults();
    auto it = m_catalogs.constFind(name.trimmed().toUpper());
    if (it == m_catalogs.cend())
        return std::nullopt;
    return *it;
}

void CWindDataManager::registerCatalog(const QString& name, const CExternalDataCatalog& catalog)
{
    const QString key = name.trimmed().toUpper();
    if (key.isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    if (!m_defaultsLoaded)
        loadDefaults();
    m_catalogs.insert(key, catalog);
}

} // namespace TC
