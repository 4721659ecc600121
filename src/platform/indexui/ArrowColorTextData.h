#pragma once

#include <QColor>
#include <QString>

namespace TC {

// One coloured piece of a title or tip text ("DIF: 0.12" in the output's
// colour), with an optional arrow telling the direction of a price.
struct ArrowColorTextData {
    QString text;
    QColor color;
    int arrow = 0; // 1 up, -1 down, 0 none
};

} // namespace TC
