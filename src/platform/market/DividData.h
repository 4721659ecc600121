#pragma once

#include <QtGlobal>

namespace quoter {

// One ex-rights / ex-dividend event of an instrument, as the quote library
// delivers it. All quantities are per share held before the event.
struct DividData {
    qint64 time = 0;             // ex-date: local midnight, milliseconds since 1970
    double cashDividend = 0.0;   // cash paid per share
    double bonusShares = 0.0;    // bonus shares (送股) per share
    double transferShares = 0.0; // shares transferred from reserves (转增) per share
    double rightsShares = 0.0;   // rights issue (配股) shares per share
    double rightsPrice = 0.0;    // subscription price of one rights share
    int shareReform = 0;         // non-zero: the day carries a share-reform consideration

    bool operator==(const DividData& o) const
    {
        return time == o.time && cashDividend == o.cashDividend && bonusShares == o.bonusShares &&
               transferShares == o.transferShares && rightsShares == o.rightsShares &&
               rightsPrice == o.rightsPrice && shareReform == o.shareReform;
    }
    bool operator!=(const DividData& o) const { return !(*this == o); }
};

} // namespace quoter
