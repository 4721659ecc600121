#include "platform/formula/IdGenerator.h"

#include <atomic>

namespace se {

QString IdGenerator::genId(int mainPanelId, const QString& formulaName, const QString& stockKey)
{
    return QString::number(mainPanelId) + QLatin1Char('|') + formulaName.toUpper() + QLatin1Char('|') +
           stockKey;
}

QString IdGenerator::uniqueId(const QString& prefix)
{
    static std::atomic<qint64> next{1};
    return prefix + QLatin1Char('#') + QString::number(next.fetch_add(1));
}

} // namespace se
