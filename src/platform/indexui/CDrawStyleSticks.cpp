#include "platform/indexui/CDrawStyle.h"

#include <cmath>

#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace TC {

namespace {
QColor themeColor(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

bool hasMetaColor(const RPCFormulaResultCache& cache, int output)
{
    const std::vector<unsigned>& colors = cache.meta->colors;
    return output >= 0 && output < int(colors.size()) &&
           colors[size_t(output)] != se::RPCFormulaMetaResult::kDefaultColor;
}

// Row a stick stands on: 0, or the bottom edge when 0 lies below the pane.
int baseRow(const CDrawContext& ctx)
{
    return qMin(ctx.y(0.0), ctx.rect.bottom());
}

// A stick between two rows, as a rectangle for drawRects (a stroked QRect
// covers one pixel more than its size each way) or a line when it is thin.
void addStick(QVector<QRect>& rects, QVector<QLine>& lines, int x, int hw, int y1, int y2)
{
    const int top = qMin(y1, y2);
    const int bottom = qMax(y1, y2);
    if (hw == 0 || top == bottom) {
        if (hw == 0)
            lines.append(QLine(x, top, x, bottom));
        else
            lines.append(QLine(x - hw, top, x + hw, top));
    } else {
        rects.append(QRect(x - hw, top, 2 * hw, bottom - top));
    }
}
} // namespace

void CDrawStyle::drawColorStick(QPainter& painter, const CDrawContext& ctx,
                                const RPCFormulaResultCache& cache, int output, Qt::PenStyle pen)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    const int zero = ctx.y(0.0);
    m_lines.clear();  // above zero
    m_lines2.clear(); // below zero
    const bool columns = dense(ctx);
    if (!columns) {
        for (int b = b0; b <= b1; ++b) {
            const double value = (*v)[size_t(b)];
            if (!isValue(value) || !isBarValid(cache, b))
                continue;
            const int x = ctx.x(b);
            (value < 0 ? m_lines2 : m_lines).append(QLine(x, zero, x, ctx.y(value)));
        }
    } else {
        // Sticks of one column overlap: its longest up and down stick are all that shows.
        bool anyUp = false;
        bool anyDown = false;
        double up = 0.0;
        double down = 0.0;
        forEachColumn(
            ctx, cache, *v, b0, b1,
            [&](int, double value) {
                if (value < 0) {
                    down = anyDown ? qMin(down, value) : value;
                    anyDown = true;
                } else {
                    up = anyUp ? qMax(up, value) : value;
                    anyUp = true;
                }
            },
            [&](int x) {
                if (anyUp)
                    m_lines.append(QLine(x, zero, x, ctx.y(up)));
                if (anyDown)
                    m_lines2.append(QLine(x, zero, x, ctx.y(down)));
                anyUp = anyDown = false;
            });
    }
    const bool own = hasMetaColor(cache, output);
    const QColor rise = own ? outputColor(cache, output) : themeColor("clr_global_rise");
    const QColor fall = own ? rise : themeColor("clr_global_fall");
    const int width = lineWidth(cache, output);
    const Qt::PenStyle style = (pen >= Qt::SolidLine && pen <= Qt::DashDotDotLine) ? pen : Qt::SolidLine;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen p(rise, width == 1 ? 0 : width, style);
    // A cosmetic stick keeps its end pixel; a wide one ends exactly at its value.
    p.setCapStyle(width == 1 ? Qt::SquareCap : Qt::FlatCap);
    if (!m_lines.isEmpty()) {
        painter.setPen(p);
        drawStrokes(painter, m_lines, columns);
    }
    if (!m_lines2.isEmpty()) {
        p.setColor(fall);
        painter.setPen(p);
        drawStrokes(painter, m_lines2, columns);
    }
    painter.restore();
}

// Rising bars (m_lines, m_rects) hollow in `rise`, falling ones (m_lines2,
// m_rects2) filled in `fall`: one call per kind and colour.
void CDrawStyle::flushRiseFall(QPainter& painter, const QColor& rise, const QColor& fall, bool columns)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(rise, 0));
    painter.setBrush(Qt::NoBrush);
    drawStrokes(painter, m_lines, columns);
    drawBodies(painter, m_rects);
    painter.setPen(QPen(fall, 0));
    painter.setBrush(fall);
    drawStrokes(painter, m_lines2, columns);
    drawBodies(painter, m_rects2);
    painter.restore();
}

void CDrawStyle::drawVolStick(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                              int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    const int base = baseRow(ctx);
    m_rects.clear(); // rising, hollow
    m_lines.clear();
    m_rects2.clear(); // falling, filled
    m_lines2.clear();
    const bool columns = dense(ctx);
    if (!columns) {
        for (int b = b0; b <= b1; ++b) {
            const double value = (*v)[size_t(b)];
            if (!isValue(value) || !isBarValid(cache, b))
                continue;
            const bool falling = barDirection(cache, b) < 0;
            addStick(falling ? m_rects2 : m_rects, falling ? m_lines2 : m_lines, ctx.x(b), ctx.hw, base,
                     ctx.y(value));
        }
    } else {
        // The column's tallest stick, in the colour of the column's candle:
        // the first open of its input bars against their last close.
        const std::vector<quoter::CBar>& input = cache.result->basicData;
        const int inputBars = int(input.size());
        bool started = false;
        double tallest = 0.0;
        double firstOpen = 0.0;
        double lastClose = 0.0;
        bool haveInput = false;
        forEachColumn(
            ctx, cache, *v, b0, b1,
            [&](int b, double value) {
                if (!started || std::fabs(value) > std::fabs(tallest))
                    tallest = value;
                started = true;
                if (b < inputBars) {
                    if (!haveInput)
                        firstOpen = input[size_t(b)].open;
                    lastClose = input[size_t(b)].close;
                    haveInput = true;
                }
            },
            [&](int x) {
                const bool falling = haveInput && lastClose < firstOpen;
                addStick(falling ? m_rects2 : m_rects, falling ? m_lines2 : m_lines, x, ctx.hw, base,
                         ctx.y(tallest));
                started = haveInput = false;
            });
    }
    const bool own = hasMetaColor(cache, output);
    const QColor rise = own ? outputColor(cache, output) : themeColor("clr_global_rise");
    const QColor fall = own ? rise : themeColor("clr_global_fall");
    flushRiseFall(painter, rise, fall, columns);
}

void CDrawStyle::drawStackVolstick(QPainter& painter, const CDrawContext& ctx,
                                   const RPCFormulaResultCache& cache, int output)
{
    int b0 = 0;
    int b1 = -1;
    if (!window(ctx, cache, b0, b1))
        return;
    const int columns = int(cache.columnsOf(output).size());
    if (columns == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // One pass per column: the sums below it are recomputed, the column is the
    // only colour in flight, so each column is one batch.
    for (int k = 0; k < columns; ++k) {
        const std::vector<double>* col = cache.data(output, k);
        if (!col)
            continue;
        m_rects.clear();
        m_lines.clear();
        for (int b = b0; b <= b1 && b < int(col->size()); ++b) {
            if (!isBarValid(cache, b))
                continue;
            const double part = (*col)[size_t(b)];
            if (!isValue(part) || part <= 0.0)
                continue;
            double below = 0.0;
            for (int j = 0; j < k; ++j) {
                const double u = cache.value(output, b, j);
                if (isValue(u) && u > 0.0)
                    below += u;
            }
            addStick(m_rects, m_lines, ctx.x(b), ctx.hw, ctx.y(below), ctx.y(below + part));
        }
        const QColor c =
            (k == 0 && hasMetaColor(cache, output)) ? outputColor(cache, output) : defaultLineColor(k);
        painter.setPen(QPen(c, 0));
        painter.setBrush(c);
        if (!m_lines.isEmpty())
            painter.drawLines(m_lines);
        if (!m_rects.isEmpty())
            painter.drawRects(m_rects);
    }
    painter.restore();
}

void CDrawStyle::drawTickVolStick(QPainter& painter, const CDrawContext& ctx,
                                  const RPCFormulaResultCache& cache, int output, double prevClose)
{
    drawTickSticks(painter, ctx, cache, output, prevClose, false);
}

void CDrawStyle::drawTickVolStickNew(QPainter& painter, const CDrawContext& ctx,
                                     const RPCFormulaResultCache& cache, int output, double prevClose)
{
    drawTickSticks(painter, ctx, cache, output, prevClose, true);
}

void CDrawStyle::drawTickSticks(QPainter& painter, const CDrawContext& ctx,
                                const RPCFormulaResultCache& cache, int output, double prevClose,
                                bool againstPrevClose)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    const std::vector<quoter::CBar>& bars = cache.result->basicData;
    const int base = baseRow(ctx);
    m_lines.clear();  // up
    m_lines2.clear(); // down
    m_lines3.clear(); // unchanged or unknown
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        if (!isValue(value) || !isBarValid(cache, b))
            continue;
        const double price = b < int(bars.size()) ? bars[size_t(b)].close : DBL_MAX;
        double ref = prevClose;
        if (!againstPrevClose && b > 0 && b - 1 < int(bars.size()))
            ref = bars[size_t(b - 1)].close;
        const int x = ctx.x(b);
        const QLine stick(x, base, x, ctx.y(value));
        if (!isValue(price) || !isValue(ref) || price == ref)
            m_lines3.append(stick);
        else
            (price > ref ? m_lines : m_lines2).append(stick);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const struct {
        const QVector<QLine>& lines;
        const char* key;
    } groups[3] = {
        {m_lines, "clr_global_rise"}, {m_lines2, "clr_global_fall"}, {m_lines3, "ic_clr_kline_axis_text"}};
    for (const auto& g : groups) {
        if (g.lines.isEmpty())
            continue;
        painter.setPen(QPen(themeColor(g.key), 0));
        painter.drawLines(g.lines);
    }
    painter.restore();
}

void CDrawStyle::drawStickKline(QPainter& painter, const CDrawContext& ctx,
                                const RPCFormulaResultCache& cache, int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* p1 = cache.data(output, 0);
    const std::vector<double>* p2 = cache.data(output, 1);
    if (!p1 || !p2 || !window(ctx, cache, b0, b1))
        return;
    b1 = qMin(b1, int(qMin(p1->size(), p2->size())) - 1);
    const se::RPCFormulaMetaResult& meta = *cache.meta;
    const double w = output < int(meta.params1.size()) ? meta.params1[size_t(output)] : 0.0;
    const bool hollow = output < int(meta.params2.size()) && isValue(meta.params2[size_t(output)]) &&
                        meta.params2[size_t(output)] != 0.0;
    // Width in tenths of the bar spacing; an odd pixel count keeps the stick centred.
    const int pixels = isValue(w) && w > 0.0 ? int(ctx.step() * qMin(w, 10.0) / 10.0) : 1;
    const int half = qMax(0, (pixels - 1) / 2);
    m_rects.clear();
    m_lines.clear();
    for (int b = b0; b <= b1; ++b) {
        const double a = (*p1)[size_t(b)];
        const double c = (*p2)[size_t(b)];
        if (!isValue(a) || !isValue(c) || !isBarValid(cache, b))
            continue;
        addStick(m_rects, m_lines, ctx.x(b), half, ctx.y(a), ctx.y(c));
    }
    const QColor color = outputColor(cache, output);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(color, 0));
    if (hollow)
        painter.setBrush(Qt::NoBrush);
    else
        painter.setBrush(color);
    if (!m_lines.isEmpty())
        painter.drawLines(m_lines);
    if (!m_rects.isEmpty())
        painter.drawRects(m_rects);
    painter.restore();
}

} // namespace TC
