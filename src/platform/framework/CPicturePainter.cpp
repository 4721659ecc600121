#include "platform/framework/CPicturePainter.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace KW {

namespace {

void fillTriangle(QPainter& p, const QRectF& r, EPictureShape dir, const QColor& c)
{
    QPolygonF poly;
    switch (dir) {
    case EPictureShape::ArrowUp:
    case EPictureShape::HandleUp:
        poly << QPointF(r.center().x(), r.top()) << r.bottomRight() << r.bottomLeft();
        break;
    case EPictureShape::ArrowDown:
    case EPictureShape::HandleDown:
        poly << r.topLeft() << r.topRight() << QPointF(r.center().x(), r.bottom());
        break;
    case EPictureShape::ArrowLeft:
    case EPictureShape::HandleEnd:
        poly << QPointF(r.left(), r.center().y()) << r.topRight() << r.bottomRight();
        break;
    default:
        poly << r.topLeft() << QPointF(r.right(), r.center().y()) << r.bottomLeft();
        break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(poly);
}

void drawHandle(QPainter& p, const QRectF& r, EPictureShape shape, const QColor& fg, const QColor& bg)
{
    const qreal radius = std::max<qreal>(1.0, r.width() / 6.0);
    p.setPen(QPen(fg, 1.0));
    p.setBrush(bg);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    const qreal m = r.width() / 4.0;
    QRectF glyph = r.adjusted(m, m, -m, -m);
    if (shape == EPictureShape::HandleStart || shape == EPictureShape::HandleEnd) {
        // A bar on the bound's side plus a triangle pointing into the range.
        const qreal barW = std::max<qreal>(1.0, glyph.width() / 5.0);
        QRectF bar = shape == EPictureShape::HandleStart
                         ? QRectF(glyph.left(), glyph.top(), barW, glyph.height())
                         : QRectF(glyph.right() - barW, glyph.top(), barW, glyph.height());
        p.setPen(Qt::NoPen);
        p.setBrush(fg);
        p.drawRect(bar);
        glyph = shape == EPictureShape::HandleStart ? glyph.adjusted(barW + 1, 0, 0, 0)
                                                    : glyph.adjusted(0, 0, -(barW + 1), 0);
    }
    fillTriangle(p, glyph, shape, fg);
}

} // namespace

QPixmap CPicturePainter::paint(EPictureShape shape, const QSize& size, const QColor& fg, const QColor& bg)
{
    const QSize s = size.isValid() && !size.isEmpty() ? size : QSize(1, 1);
    QPixmap pm(s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r(0, 0, s.width(), s.height());

    switch (shape) {
    case EPictureShape::Transparent:
        break;
    case EPictureShape::Fill:
        p.fillRect(r, fg);
        break;
    case EPictureShape::ArrowUp:
    case EPictureShape::ArrowDown:
    case EPictureShape::ArrowLeft:
    case EPictureShape::ArrowRight:
        fillTriangle(p, r, shape, fg);
        break;
    case EPictureShape::RoundedBlock: {
        const qreal radius = std::min(r.width(), r.height()) / 4.0;
        p.setPen(QPen(bg.isValid() ? bg : fg, 1.0));
        p.setBrush(fg);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        break;
    }
    case EPictureShape::ButtonFrame: {
        const qreal radius = std::min(r.width(), r.height()) / 6.0;
        p.setPen(QPen(fg, 1.0));
        p.setBrush(bg);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        break;
    }
    case EPictureShape::GripVertical: {
        p.setPen(Qt::NoPen);
        p.setBrush(fg);
        const qreal d = std::max<qreal>(1.0, std::min(r.width(), r.height()) / 2.0);
        for (qreal y = d; y + d <= r.height(); y += 2 * d)
            p.drawEllipse(QRectF(r.center().x() - d / 2, y, d, d));
        break;
    }
    case EPictureShape::CheckMark: {
        if (bg.isValid() && bg.alpha() > 0)
            p.fillRect(r, bg);
        QPen pen(fg, std::max<qreal>(1.5, r.width() / 8.0));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        QPainterPath path;
        path.moveTo(r.width() * 0.2, r.height() * 0.55);
        path.lineTo(r.width() * 0.42, r.height() * 0.75);
        path.lineTo(r.width() * 0.8, r.height() * 0.28);
        p.drawPath(path);
        break;
    }
    case EPictureShape::Cross: {
        QPen pen(fg, std::max<qreal>(1.2, r.width() / 10.0));
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        const qreal m = r.width() * 0.28;
        p.drawLine(QPointF(m, m), QPointF(r.width() - m, r.height() - m));
        p.drawLine(QPointF(r.width() - m, m), QPointF(m, r.height() - m));
        break;
    }
    case EPictureShape::HandleUp:
    case EPictureShape::HandleDown:
    case EPictureShape::HandleStart:
    case EPictureShape::HandleEnd:
        drawHandle(p, r, shape, fg, bg);
        break;
    }
    p.end();
    return pm;
}

} // namespace KW
