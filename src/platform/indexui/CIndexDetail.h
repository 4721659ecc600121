#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "platform/market/CInstrumentDetail.h"

namespace TC {

// Identity of an instrument-like entry of the index library.
struct CStockInfo {
    QString key;  // unique key of the entry
    QString name; // display name
};

// A custom index: a user-defined composite of component instruments.
struct CIndexDetail : public CStockInfo {
    // The five numeric fields of the definition, copied as they are into
    // formula requests: kind, base date (yyyymmdd), base point, weighting
    // mode (0 equal, 1 by price, 2 by circulating value) and decimals.
    int kind = 0;
    int baseDate = 0;
    int basePoint = 1000;
    int weightMode = 0;
    int decimals = 2;
    QStringList componentKeys; // instrument keys of the components, in order
};

// The instrument a chart shows for a custom index: market "CD", the index
// key as key and code, a price tick of its decimals.
std::shared_ptr<qlservice::CInstrumentDetail> indexDetail2Detail(const CIndexDetail& index);

} // namespace TC
