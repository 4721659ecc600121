#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

#include "platform/config/BsonDefs.h"

namespace KW {

// One drawn shape of the drawing-tool engine. The points live in value space
// (x: the bar's time tag, y: the series value), which survives zooming and
// scrolling; the pixel points are a cache rebuilt from them whenever the axes
// change.
//
// Points each type uses: A and B for the two-point tools (line, ray,
// channel base, Fibonacci swing from A to B, rectangle corners); A alone for
// the horizontal line (its value), the vertical line (its time) and the text
// note (its anchor, the text's top-left); C for the channel's parallel.
class CGraphShape
{
public:
    enum EType {
        StraightLine = 1,
        Ray = 2,
        HorizontalLine = 3,
        VerticalLine = 4,
        ParallelChannel = 5,
        FibonacciRetracement = 6,
        Rectangle = 7,
        TextNote = 8
    };
    static constexpr int kFirstType = StraightLine;
    static constexpr int kLastType = TextNote;
    static constexpr int kMaxTextLength = 200;

    // Colour key used when a shape names none.
    static QString defaultColorKey();
    // Text of a new note.
    static QString defaultText();
    // Retracement ratios, 0 at B (the swing's end) to 1 at A.
    static const double kFibLevels[6];
    static constexpr int kFibLevelCount = 6;

    // How many points the user places: 1, 2 or 3.
    static int pointCount(int type);
    int pointCount() const { return pointCount(type); }

    // The pixel coordinates this type needs are all finite.
    bool hasPixels() const;
    // Distance in pixels from `p` to the drawn outline (infinite without
    // pixels). `area` is where lines that run to the edge end (ray,
    // horizontal, vertical); an invalid area stands for the points' own span.
    // `textSize` is the note's text box.
    double pixelDistance(const QPointF& p, const QRectF& area = QRectF(),
                         const QSizeF& textSize = QSizeF()) const;
    // The channel's parallel through C, as the pixel offset from the base.
    QPointF channelOffset() const;
    // The ray from A through B cut at the edge of `area` (B when it ends inside).
    QPointF rayEnd(const QRectF& area) const;

    // {"type", "x1", "y1", "x2", "y2", ["x3", "y3"], ["text"], "dir",
    //  "color", "width", "style"}.
    bson::BSONObj toBson() const;
    // False (and `out` untouched) when `o` is not a valid shape: unknown type,
    // a point the type needs missing or not a finite number. Width and style
    // outside their ranges fall back to 1 (solid); an empty colour to
    // defaultColorKey(); a note without text gets defaultText().
    static bool fromBson(const bson::BSONObj& o, CGraphShape& out);

    // An element's number when it is one, finite and within [lo, hi].
    static bool readNumber(const bson::BSONObj& o, const char* name, double& out, double lo = -1e300,
                           double hi = 1e300);

    int type = StraightLine;
    QPointF valueA;
    QPointF valueB;
    QPointF valueC;
    QPointF pixelA;
    QPointF pixelB;
    QPointF pixelC;
    QString colorKey = defaultColorKey();
    int width = 1;
    // A Qt::PenStyle from 1 (solid) to 5 (dash-dot-dot).
    int style = 1;
    // The trader's reading of the line: 0 buy, 1 sell.
    int direction = 0;
    QString text;
    // The pixel points were moved by the user: recalcValueByAxis takes the
    // values from them. Untouched shapes keep their exact values, so a
    // value -> pixel -> value trip never rounds a line onto the pixel grid.
    bool pixelEdited = false;
};

} // namespace KW
