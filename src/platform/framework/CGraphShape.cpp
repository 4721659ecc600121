#include "platform/framework/CGraphShape.h"

#include <cmath>
#include <limits>

#include <QLineF>

namespace KW {

namespace {

bool finitePoint(const QPointF& p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

bool readNumber(const bson::BSONObj& o, const char* name, double& out)
{
    const bson::BSONElement e = o.getField(name);
    if (e.eoo() || !e.isNumber())
        return false;
    out = e.numberDouble();
    return std::isfinite(out);
}

} // namespace

QString CGraphShape::defaultColorKey()
{
    return QStringLiteral("ic_clr_draw_graph_line");
}

bool CGraphShape::hasPixels() const
{
    return finitePoint(pixelA) && finitePoint(pixelB);
}

double CGraphShape::pixelDistance(const QPointF& p) const
{
    if (!hasPixels())
        return std::numeric_limits<double>::infinity();
    const QPointF d = pixelB - pixelA;
    const double len2 = d.x() * d.x() + d.y() * d.y();
    double t = 0.0;
    if (len2 > 0.0)
        t = std::min(1.0, std::max(0.0, QPointF::dotProduct(p - pixelA, d) / len2));
    return QLineF(p, pixelA + d * t).length();
}

bson::BSONObj CGraphShape::toBson() const
{
    bson::BSONObjBuilder b;
    b.append("type", type);
    b.append("x1", valueA.x());
    b.append("y1", valueA.y());
    b.append("x2", valueB.x());
    b.append("y2", valueB.y());
    b.append("color", colorKey.toStdString());
    b.append("width", width);
    b.append("style", style);
    return b.obj();
}

bool CGraphShape::fromBson(const bson::BSONObj& o, CGraphShape& out)
{
    try {
        const bson::BSONElement t = o.getField("type");
        if (t.eoo() || !t.isNumber() || t.numberInt() != StraightLine)
            return false;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (!readNumber(o, "x1", x1) || !readNumber(o, "y1", y1) || !readNumber(o, "x2", x2) ||
            !readNumber(o, "y2", y2))
            return false;
        CGraphShape s;
        s.valueA = QPointF(x1, y1);
        s.valueB = QPointF(x2, y2);
        const bson::BSONElement c = o.getField("color");
        if (c.type() == mongo::String && c.valuestrsize() > 1)
            s.colorKey = QString::fromStdString(c.str());
        double v = 0;
        if (readNumber(o, "width", v) && v >= 1 && v <= 10)
            s.width = int(v);
        if (readNumber(o, "style", v) && v >= 1 && v <= 5)
            s.style = int(v);
        out = s;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace KW
