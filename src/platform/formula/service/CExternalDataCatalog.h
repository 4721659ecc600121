#pragma once

#include <QString>

namespace TC {

// Where an external-data formula reads its series: the request carries these
// as the parameters "start", "end", "field", "name" and "unit".
struct CExternalDataCatalog {
    QString start; // first day, yyyyMMdd
    QString end;   // last day, yyyyMMdd
    QString field; // the data source's field code
    QString name;  // display name of the series
    QString unit;

    bool operator==(const CExternalDataCatalog& o) const
    {
        return start == o.start && end == o.end && field == o.field && name == o.name && unit == o.unit;
    }
};

} // namespace TC
