#pragma once

#include <QString>
#include <QStringList>

namespace TC {

// The terminal's quote client: facts about the quotes it receives, here the
// expiry days of the option contracts quoted on an underlying.
//
// The stand-in quotes exactly the options the trading data centre lists, so
// its expiry days follow qlservice::TraderCenter's data centre (a centre a
// test installs is seen here too).
class CQuoteClient
{
public:
    // Expiry days ("yyyyMMdd", ascending) of the options quoted on `key`;
    // empty when none are.
    QStringList getOptionExpireDates(const QString& key) const;
};

} // namespace TC
