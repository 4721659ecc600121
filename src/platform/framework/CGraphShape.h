#pragma once

#include <QPointF>
#include <QString>

#include "platform/config/BsonDefs.h"

namespace KW {

// One drawn shape of the drawing-tool engine. The points live in value space
// (x: the bar's time tag, y: the series value), which survives zooming and
// scrolling; the pixel points are a cache rebuilt from them whenever the axes
// change.
class CGraphShape
{
public:
    enum EType { StraightLine = 1 };

    // Colour key used when a shape names none.
    static QString defaultColorKey();

    bool hasPixels() const;
    // Distance in pixels from `p` to the drawn segment (infinite without pixels).
    double pixelDistance(const QPointF& p) const;

    // {"type", "x1", "y1", "x2", "y2", "color", "width", "style"}.
    bson::BSONObj toBson() const;
    // False (and `out` untouched) when `o` is not a valid shape: unknown type,
    // a point missing or not a finite number. Width and style outside their
    // ranges fall back to 1 (solid); an empty colour to defaultColorKey().
    static bool fromBson(const bson::BSONObj& o, CGraphShape& out);

    int type = StraightLine;
    QPointF valueA;
    QPointF valueB;
    QPointF pixelA;
    QPointF pixelB;
    QString colorKey = defaultColorKey();
    int width = 1;
    // A Qt::PenStyle from 1 (solid) to 5 (dash-dot-dot).
    int style = 1;
    // The pixel points were moved by the user: recalcValueByAxis takes the
    // values from them. Untouched shapes keep their exact values, so a
    // value -> pixel -> value trip never rounds a line onto the pixel grid.
    bool pixelEdited = false;
};

} // namespace KW
