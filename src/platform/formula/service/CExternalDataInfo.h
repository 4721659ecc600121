#pragma once

#include <QString>
#include <QtGlobal>

namespace TC {

// Descriptor of an external series generated from a chart: what it is named
// and which instrument and period it came from.
struct CExternalDataInfo {
    QString name;
    QString market;
    QString code;
    qint64 periodMs = 0;
    QString unit;
};

} // namespace TC
