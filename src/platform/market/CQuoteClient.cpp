#include "platform/market/CQuoteClient.h"

#include "platform/config/CUserConfig.h"
#include "platform/market/TraderCenter.h"

namespace TC {

QStringList CQuoteClient::getOptionExpireDates(const QString& key) const
{
    QStringList out;
    const qlservice::IDataCenter* dc = qlservice::TraderCenter::instance()->getDataCenter();
    if (!dc || key.isEmpty())
        return out;
    for (int date : dc->getDateSet(key.toStdString()))
        if (date > 0)
            out << QString::number(date);
    return out;
}

// Defined with the client: the configuration library knows it only by name.
CQuoteClient* SingletonManager::getQuoteClient()
{
    static CQuoteClient client;
    return &client;
}

} // namespace TC
