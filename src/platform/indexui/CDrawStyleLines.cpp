#include "platform/indexui/CDrawStyle.h"

#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace TC {

namespace {
QPen linePen(const QColor& color, int width, Qt::PenStyle style)
{
    // Width 1 stays cosmetic: exactly one pixel, end points included (square
    // cap); wider lines get round ends and joins so steep zigzags do not spike.
    QPen pen(color, width == 1 ? 0 : width, style);
    pen.setCapStyle(width == 1 ? Qt::SquareCap : Qt::RoundCap);
    pen.setJoinStyle(width == 1 ? Qt::BevelJoin : Qt::RoundJoin);
    return pen;
}

Qt::PenStyle validStyle(Qt::PenStyle s)
{
    return (s >= Qt::SolidLine && s <= Qt::DashDotDotLine) ? s : Qt::SolidLine;
}
} // namespace

// One call for all collected segments, in one pen.
void CDrawStyle::strokeLines(QPainter& painter, const QPen& pen)
{
    if (m_lines.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(pen);
    painter.drawLines(m_lines);
    painter.restore();
}

void CDrawStyle::drawSimpleLine(QPainter& painter, const CDrawContext& ctx,
                                const RPCFormulaResultCache& cache, int output, Qt::PenStyle pen,
                                bool superposed, double scale)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = cache.data(output, 0);
    if (!v || !window(ctx, cache, b0, b1))
        return;
    collectLine(ctx, cache, *v, b0, b1, superposed && isValue(scale) ? scale : 1.0);
    if (m_points.isEmpty() && m_columnLines.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(linePen(outputColor(cache, output), lineWidth(cache, output), validStyle(pen)));
    flushPolylines(painter);
    painter.restore();
}

void CDrawStyle::drawSegmentLine(QPainter& painter, const CDrawContext& ctx,
                                 const RPCFormulaResultCache& cache, int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int width = lineWidth(cache, output);
    // Segments are gathered while their colour holds and drawn in one call.
    m_lines.clear();
    QColor current;
    bool havePrev = false;
    QPoint prev;
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        if (!isValue(value) || !isBarValid(cache, b)) {
            havePrev = false;
            continue;
        }
        const QPoint pt(ctx.x(b), ctx.y(value));
        if (havePrev) {
            const QColor c = outputColor(cache, output, b);
            if (c != current && !m_lines.isEmpty()) {
                painter.setPen(linePen(current, width, Qt::SolidLine));
                painter.drawLines(m_lines);
                m_lines.clear();
            }
            current = c;
            m_lines.append(QLine(prev, pt));
        }
        prev = pt;
        havePrev = true;
    }
    if (!m_lines.isEmpty()) {
        painter.setPen(linePen(current, width, Qt::SolidLine));
        painter.drawLines(m_lines);
    }
    painter.restore();
}

void CDrawStyle::drawHorizontalBrokenLine(QPainter& painter, const CDrawContext& ctx,
                                          const RPCFormulaResultCache& cache, int output, bool connect)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    m_lines.clear();
    bool havePrev = false;
    int prevY = 0;
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        if (!isValue(value) || !isBarValid(cache, b)) {
            havePrev = false;
            continue;
        }
        const int slot = ctx.slotOf(b);
        const int left = ctx.slotLeft(slot);
        const int right = qMax(left, ctx.slotLeft(slot + 1) - 1);
        const int y = ctx.y(value);
        if (connect && havePrev && prevY != y)
            m_lines.append(QLine(left, prevY, left, y));
        m_lines.append(QLine(left, y, right, y));
        prevY = y;
        havePrev = true;
    }
    strokeLines(painter, linePen(outputColor(cache, output), lineWidth(cache, output), Qt::SolidLine));
}

void CDrawStyle::drawVertLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                              int output, Qt::PenStyle pen)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    m_lines.clear();
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        if (isValue(value) && value != 0.0 && isBarValid(cache, b)) {
            const int x = ctx.x(b);
            m_lines.append(QLine(x, ctx.rect.top(), x, ctx.rect.bottom()));
        }
    }
    strokeLines(painter, linePen(outputColor(cache, output), lineWidth(cache, output), validStyle(pen)));
}

void CDrawStyle::drawBoolLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                              int output, Qt::PenStyle pen)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = cache.data(output, 0);
    if (!v || !window(ctx, cache, b0, b1))
        return;
    const std::vector<double>* cond = cache.columnsOf(output).size() >= 2 ? cache.data(output, 1) : v;
    if (!cond)
        return;
    b1 = qMin(b1, int(qMin(v->size(), cond->size())) - 1);
    m_lines.clear();
    bool havePrev = false;
    QPoint prev;
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        const double c = (*cond)[size_t(b)];
        if (!isValue(value) || !isValue(c) || c == 0.0 || !isBarValid(cache, b)) {
            havePrev = false;
            continue;
        }
        const QPoint pt(ctx.x(b), ctx.y(value));
        if (havePrev)
            m_lines.append(QLine(prev, pt));
        prev = pt;
        havePrev = true;
    }
    strokeLines(painter, linePen(outputColor(cache, output), lineWidth(cache, output), validStyle(pen)));
}

void CDrawStyle::drawCircleDot(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                               int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    m_points.clear();
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        if (isValue(value) && isBarValid(cache, b))
            m_points.append(QPoint(ctx.x(b), ctx.y(value)));
    }
    if (m_points.isEmpty())
        return;
    painter.save();
    // A round-capped point of width d is a filled dot of diameter d: one call for all dots.
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(outputColor(cache, output), qBound(3, ctx.hw, 7));
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.drawPoints(m_points.constData(), m_points.size());
    painter.restore();
}

void CDrawStyle::drawTick(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                          int output, double upperLimit, double lowerLimit)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = cache.data(output, 0);
    if (!v || !window(ctx, cache, b0, b1))
        return;
    const KW::CUiResource* res = KW::CUiResource::instance();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);

    // Limits first, so the price runs over them.
    m_lines.clear();
    m_lines2.clear();
    if (isValue(upperLimit))
        m_lines.append(QLine(ctx.rect.left(), ctx.y(upperLimit), ctx.rect.right(), ctx.y(upperLimit)));
    if (isValue(lowerLimit))
        m_lines2.append(QLine(ctx.rect.left(), ctx.y(lowerLimit), ctx.rect.right(), ctx.y(lowerLimit)));
    if (!m_lines.isEmpty()) {
        painter.setPen(linePen(res->getColor(QStringLiteral("clr_global_rise")), 1, Qt::DotLine));
        painter.drawLines(m_lines);
    }
    if (!m_lines2.isEmpty()) {
        painter.setPen(linePen(res->getColor(QStringLiteral("clr_global_fall")), 1, Qt::DotLine));
        painter.drawLines(m_lines2);
    }

    collectLine(ctx, cache, *v, b0, b1, 1.0);
    painter.setPen(linePen(res->getColor(QStringLiteral("ic_clr_tick_price_line")), 1, Qt::SolidLine));
    flushPolylines(painter);

    for (int o = output + 1; o < cache.outputCount(); ++o) {
        if (cache.styleCode(o) != 0)
            continue;
        if (const std::vector<double>* avg = cache.data(o, 0)) {
            collectLine(ctx, cache, *avg, b0, b1, 1.0);
            painter.setPen(
                linePen(res->getColor(QStringLiteral("ic_clr_tick_average_line")), 1, Qt::SolidLine));
            flushPolylines(painter);
        }
        break;
    }
    painter.restore();
}

} // namespace TC
