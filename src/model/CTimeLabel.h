#pragma once

#include <QDate>
#include <QString>

namespace TC {

// One label of the time axis, as laid out before drawing.
struct CTimeLabel {
    // Level of the boundary a label marks; a higher level wins a collision.
    enum Priority { TimeOfDay = 0, Day = 1, Month = 2, Year = 3 };

    int x = 0;           // pixel of the label's bar, relative to the axis rectangle
    QString text;        // text drawn
    int priority = 0;    // one of Priority (the first label may carry up to 4)
    // Local date and second of the day of the label's bar, from the cached
    // offsets: a QDateTime per label would convert through the time zone.
    QDate date;
    int secondOfDay = 0;
};

} // namespace TC
