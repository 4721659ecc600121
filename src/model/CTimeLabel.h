#pragma once

#include <QDateTime>
#include <QString>

namespace TC {

// One label of the time axis, as laid out before drawing.
struct CTimeLabel {
    // Level of the boundary a label marks; a higher level wins a collision.
    enum Priority { TimeOfDay = 0, Day = 1, Month = 2, Year = 3 };

    int x = 0;          // pixel of the label's bar, relative to the axis rectangle
    QString text;       // text drawn
    int priority = 0;   // one of Priority (the first label may carry up to 4)
    QDateTime dateTime; // date and time of the label's bar
};

} // namespace TC
