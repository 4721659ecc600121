#include "platform/formula/service/CExtendDataManager.h"

#include <QHash>
#include <QMutexLocker>

#include "platform/config/CAppConfig.h"
#include "platform/config/CSingletonT.h"

namespace TC {

CExtendDataManager* CExtendDataManager::instance()
{
    return utils::CSingletonT<CExtendDataManager>::instance();
}

QString CExtendDataManager::holdingPath(const QString& formula)
{
    // The user folder rather than the shipped data folder, which may be
    // read-only; a formula name is a plain identifier, never a path.
    QString safe = formula;
    safe.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    if (safe.startsWith(QLatin1Char('.')))
        safe.prepend(QLatin1Char('_'));
    return CAppConfig::userDataDir() + QStringLiteral("/EP/") + safe + QStringLiteral("_holding_Xdat");
}

std::shared_ptr<se::IndexData> CExtendDataManager::doGenerateHoldingExData(
    const QString& name, const QString& formula, const std::vector<std::string>& codes,
    const std::vector<se::RPCGroupTrade>& trades)
{
    if (trades.empty())
        return nullptr;
    auto data = std::make_shared<se::IndexData>();
    data->name = name;
    data->formula = formula;
    QHash<QString, int> column;
    const auto columnOf = [&](const std::string& code) {
        const QString c = QString::fromStdString(code);
        auto it = column.constFind(c);
        if (it != column.constEnd())
            return it.value();
        column.insert(c, data->codes.size());
        data->codes << c;
        return int(data->codes.size() - 1);
    };
    for (const std::string& code : codes)
        if (!code.empty())
            columnOf(code);
    for (const se::RPCGroupTrade& t : trades)
        if (!t.code.empty())
            columnOf(t.code);

    QVector<double> held(data->codes.size(), 0.0);
    for (const se::RPCGroupTrade& t : trades) {
        if (t.code.empty() || (t.side != 1 && t.side != -1))
            continue;
        held[columnOf(t.code)] += t.side * t.volume;
        // Same time: one row. An older trade breaks the time order results
        // promise; it still counts towards the holding of the last row.
        if (!data->rows.isEmpty() && t.timeTag <= data->rows.last().time)
            data->rows.last().values = held;
        else
            data->rows.push_back({t.timeTag, held});
    }
    if (data->rows.isEmpty())
        return nullptr;
    return data;
}

bool CExtendDataManager::isExist(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.contains(name.trimmed().toUpper());
}

void CExtendDataManager::setData(const QString& name, const QString& path, const QStringList& codes)
{
    if (name.trimmed().isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    m_entries.insert(name.trimmed().toUpper(), CEntry{name.trimmed(), path, codes});
}

QString CExtendDataManager::path(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.value(name.trimmed().toUpper()).path;
}

QStringList CExtendDataManager::codes(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.value(name.trimmed().toUpper()).codes;
}

QStringList CExtendDataManager::names() const
{
    QMutexLocker lock(&m_mutex);
    QStringList out;
    for (const CEntry& e : m_entries)
        out << e.name;
    out.sort(Qt::CaseInsensitive);
    return out;
}

bool CExtendDataManager::removeData(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    return m_entries.remove(name.trimmed().toUpper()) > 0;
}

} // namespace TC
