#include "platform/framework/CGraphShape.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QLineF>

namespace KW {

namespace {

bool finite(double v)
{
    return std::isfinite(v);
}

bool finitePoint(const QPointF& p)
{
    return finite(p.x()) && finite(p.y());
}

double segmentDistance(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF d = b - a;
    const double len2 = d.x() * d.x() + d.y() * d.y();
    double t = 0.0;
    if (len2 > 0.0)
        t = std::min(1.0, std::max(0.0, QPointF::dotProduct(p - a, d) / len2));
    return QLineF(p, a + d * t).length();
}

double rectDistance(const QPointF& p, const QRectF& r)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::sqrt(dx * dx + dy * dy);
}

bool readPoint(const bson::BSONObj& o, const char* x, const char* y, QPointF& out)
{
    double vx = 0, vy = 0;
    if (!CGraphShape::readNumber(o, x, vx) || !CGraphShape::readNumber(o, y, vy))
        return false;
    out = QPointF(vx, vy);
    return true;
}

} // namespace

const double CGraphShape::kFibLevels[6] = {0.0, 0.236, 0.382, 0.5, 0.618, 1.0};

QString CGraphShape::defaultColorKey()
{
    return QStringLiteral("ic_clr_draw_graph_line");
}

QString CGraphShape::defaultText()
{
    return QStringLiteral("注释");
}

int CGraphShape::pointCount(int type)
{
    switch (type) {
    case HorizontalLine:
    case VerticalLine:
    case TextNote:
        return 1;
    case ParallelChannel:
        return 3;
    default:
        return 2;
    }
}

bool CGraphShape::hasPixels() const
{
    switch (type) {
    case HorizontalLine:
        return finite(pixelA.y());
    case VerticalLine:
        return finite(pixelA.x());
    case TextNote:
        return finitePoint(pixelA);
    case ParallelChannel:
        return finitePoint(pixelA) && finitePoint(pixelB) && finitePoint(pixelC);
    default:
        return finitePoint(pixelA) && finitePoint(pixelB);
    }
}

QPointF CGraphShape::channelOffset() const
{
    const double dx = pixelB.x() - pixelA.x();
    if (std::abs(dx) < 1e-9)
        return QPointF(pixelC.x() - pixelA.x(), 0.0);
    const double yOnBase = pixelA.y() + (pixelB.y() - pixelA.y()) * (pixelC.x() - pixelA.x()) / dx;
    return QPointF(0.0, pixelC.y() - yOnBase);
}

QPointF CGraphShape::rayEnd(const QRectF& area) const
{
    const QPointF d = pixelB - pixelA;
    if (!area.isValid() || (d.x() == 0.0 && d.y() == 0.0))
        return pixelB;
    double t = std::numeric_limits<double>::infinity();
    if (d.x() > 0)
        t = std::min(t, (area.right() - pixelA.x()) / d.x());
    else if (d.x() < 0)
        t = std::min(t, (area.left() - pixelA.x()) / d.x());
    if (d.y() > 0)
        t = std::min(t, (area.bottom() - pixelA.y()) / d.y());
    else if (d.y() < 0)
        t = std::min(t, (area.top() - pixelA.y()) / d.y());
    return pixelA + d * std::max(1.0, t);
}

double CGraphShape::pixelDistance(const QPointF& p, const QRectF& area, const QSizeF& textSize) const
{
    if (!hasPixels())
        return std::numeric_limits<double>::infinity();
    switch (type) {
    case Ray:
        return segmentDistance(p, pixelA, rayEnd(area));
    case HorizontalLine:
        if (area.isValid() && (p.x() < area.left() || p.x() > area.right()))
            return std::numeric_limits<double>::infinity();
        return std::abs(p.y() - pixelA.y());
    case VerticalLine:
        if (area.isValid() && (p.y() < area.top() || p.y() > area.bottom()))
            return std::numeric_limits<double>::infinity();
        return std::abs(p.x() - pixelA.x());
    case ParallelChannel: {
        const QPointF off = channelOffset();
        return std::min(segmentDistance(p, pixelA, pixelB), segmentDistance(p, pixelA + off, pixelB + off));
    }
    case FibonacciRetracement: {
        const double left = std::min(pixelA.x(), pixelB.x());
        const double right = std::max(pixelA.x(), pixelB.x());
        double best = std::numeric_limits<double>::infinity();
        for (double r : kFibLevels) {
            const double y = pixelB.y() + (pixelA.y() - pixelB.y()) * r;
            best = std::min(best, segmentDistance(p, QPointF(left, y), QPointF(right, y)));
        }
        return best;
    }
    case Rectangle: {
        const QPointF tr(pixelB.x(), pixelA.y());
        const QPointF bl(pixelA.x(), pixelB.y());
        return std::min({segmentDistance(p, pixelA, tr), segmentDistance(p, tr, pixelB),
                         segmentDistance(p, pixelB, bl), segmentDistance(p, bl, pixelA)});
    }
    case TextNote:
        return rectDistance(p, QRectF(pixelA, textSize));
    default:
        return segmentDistance(p, pixelA, pixelB);
    }
}

bson::BSONObj CGraphShape::toBson() const
{
    bson::BSONObjBuilder b;
    b.append("type", type);
    b.append("x1", valueA.x());
    b.append("y1", valueA.y());
    b.append("x2", valueB.x());
    b.append("y2", valueB.y());
    if (type == ParallelChannel) {
        b.append("x3", valueC.x());
        b.append("y3", valueC.y());
    }
    if (type == TextNote)
        b.append("text", text.toStdString());
    b.append("dir", direction);
    b.append("color", colorKey.toStdString());
    b.append("width", width);
    b.append("style", style);
    return b.obj();
}

bool CGraphShape::readNumber(const bson::BSONObj& o, const char* name, double& out, double lo, double hi)
{
    const bson::BSONElement e = o.getField(name);
    if (e.eoo() || !e.isNumber())
        return false;
    // numberDouble is defined for every numeric element; anything narrower
    // is converted only after the range check.
    const double v = e.numberDouble();
    if (!finite(v) || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool CGraphShape::fromBson(const bson::BSONObj& o, CGraphShape& out)
{
    try {
        double t = 0;
        if (!readNumber(o, "type", t, kFirstType, kLastType) || t != std::floor(t))
            return false;
        CGraphShape s;
        s.type = int(t);
        if (!readPoint(o, "x1", "y1", s.valueA))
            return false;
        if (!readPoint(o, "x2", "y2", s.valueB)) {
            if (s.pointCount() > 1)
                return false;
            s.valueB = s.valueA;
        }
        if (s.type == ParallelChannel && !readPoint(o, "x3", "y3", s.valueC))
            return false;
        if (s.type == TextNote) {
            const bson::BSONElement e = o.getField("text");
            if (e.type() == mongo::String)
                s.text = QString::fromStdString(e.str()).left(kMaxTextLength);
            if (s.text.trimmed().isEmpty())
                s.text = defaultText();
        }
        const bson::BSONElement c = o.getField("color");
        if (c.type() == mongo::String && c.valuestrsize() > 1)
            s.colorKey = QString::fromStdString(c.str());
        double v = 0;
        if (readNumber(o, "width", v, 1, 10))
            s.width = int(v);
        if (readNumber(o, "style", v, 1, 5))
            s.style = int(v);
        if (readNumber(o, "dir", v, 0, 1))
            s.direction = int(v);
        out = s;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace KW
