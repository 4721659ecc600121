#include "platform/indexui/CDrawStyle.h"

#include <QPainter>

namespace TC {

void CDrawStyle::drawLineColumns(QPainter& painter, const CDrawContext& ctx,
                                 const RPCFormulaResultCache& cache, int output)
{
    int b0 = 0;
    int b1 = -1;
    if (!window(ctx, cache, b0, b1))
        return;
    const int width = lineWidth(cache, output);
    QPen pen(outputColor(cache, output), width == 1 ? 0 : width, Qt::SolidLine);
    pen.setCapStyle(width == 1 ? Qt::SquareCap : Qt::RoundCap);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen);
    const int columns = int(cache.columnsOf(output).size());
    for (int k = 0; k < columns; ++k) {
        const std::vector<double>* v = cache.data(output, k);
        if (!v)
            continue;
        collectLine(ctx, cache, *v, b0, b1, 1.0);
        flushPolylines(painter);
    }
    painter.restore();
}

void CDrawStyle::drawFillBand(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                              int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* a = cache.data(output, 0);
    const std::vector<double>* b = cache.data(output, 1);
    if (!a || !b || !window(ctx, cache, b0, b1))
        return;
    b1 = qMin(b1, int(qMin(a->size(), b->size())) - 1);
    auto has = [&](int bar) {
        return bar >= b0 && bar <= b1 && isValue((*a)[size_t(bar)]) && isValue((*b)[size_t(bar)]) &&
               isBarValid(cache, bar);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QColor current;
    // m_points: the first column forward, m_points2: the second; a run is
    // closed as one polygon when the colour changes or a value is missing
    auto flush = [&]() {
        if (m_points.size() >= 2) {
            for (int k = m_points2.size() - 1; k >= 0; --k)
                m_points.append(m_points2[k]);
            painter.setPen(current);
            painter.setBrush(current);
            painter.drawPolygon(m_points.constData(), m_points.size());
        }
        m_points.clear();
        m_points2.clear();
    };
    m_points.clear();
    m_points2.clear();
    m_lines.clear();
    QColor strokeColor; // lone bars: vertical strokes, one call per colour
    auto flushStrokes = [&]() {
        if (m_lines.isEmpty())
            return;
        painter.setPen(strokeColor);
        painter.drawLines(m_lines);
        m_lines.clear();
    };
    for (int bar = b0; bar <= b1; ++bar) {
        if (!has(bar)) {
            flush();
            continue;
        }
        const QPoint p(ctx.x(bar), ctx.y((*a)[size_t(bar)]));
        const QPoint q(p.x(), ctx.y((*b)[size_t(bar)]));
        if (!has(bar - 1) && !has(bar + 1)) {
            const QColor c = outputColor(cache, output, bar);
            if (c != strokeColor)
                flushStrokes();
            strokeColor = c;
            m_lines.append(QLine(p, q));
            continue;
        }
        if (has(bar - 1)) {
            const QColor c = outputColor(cache, output, bar);
            if (c != current && m_points.size() >= 2) {
                // the new colour's band starts at the previous bar
                const QPoint lastA = m_points.last();
                const QPoint lastB = m_points2.last();
                flush();
                m_points.append(lastA);
                m_points2.append(lastB);
            }
            current = c;
        }
        m_points.append(p);
        m_points2.append(q);
    }
    flush();
    flushStrokes();
    painter.restore();
}

} // namespace TC
