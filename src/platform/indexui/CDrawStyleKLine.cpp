#include "platform/indexui/CDrawStyle.h"

#include <climits>

#include <QFontMetrics>
#include <QPainter>

#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"

namespace TC {

namespace {
const int kMarkLength = 8; // arrow shaft of the high / low marks
const int kMarkHead = 3;
const int kMarkGap = 2; // between the wick tip and the arrow
} // namespace

void CDrawStyle::drawKLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                           int output, bool superposed, double scale, int decimals)
{
    // The marks name the window's extremes, whatever the strokes leave out.
    CDrawContext whole = ctx;
    whole.strokeFrom = INT_MIN;
    int b0 = 0;
    int b1 = -1;
    if (!window(whole, cache, b0, b1))
        return;
    const std::vector<double>* o = cache.data(output, 0);
    const std::vector<double>* h = cache.data(output, 1);
    const std::vector<double>* l = cache.data(output, 2);
    const std::vector<double>* c = cache.data(output, 3);
    if (!o || !h || !l || !c)
        return;
    b1 = qMin(b1, int(qMin(qMin(o->size(), h->size()), qMin(l->size(), c->size()))) - 1);

    QColor rise;
    QColor fall;
    const std::vector<unsigned>& colors = cache.meta->colors;
    if (superposed && output < int(colors.size()) &&
        colors[size_t(output)] != se::RPCFormulaMetaResult::kDefaultColor) {
        rise = fall = outputColor(cache, output);
    } else {
        rise = KW::CUiResource::instance()->getColor(QStringLiteral("clr_global_rise"));
        fall = KW::CUiResource::instance()->getColor(QStringLiteral("clr_global_fall"));
    }

    m_lines.clear();  // rising wicks and flat bodies
    m_rects.clear();  // rising bodies, hollow
    m_lines2.clear(); // falling wicks
    m_rects2.clear(); // falling bodies, filled
    int highBar = -1;
    int lowBar = -1;
    double highest = 0.0;
    double lowest = 0.0;
    const bool perColumn = dense(ctx);
    // The column being gathered (per-column drawing): first open, extremes, last close.
    int colX = 0;
    bool colOpen = false;
    double co = 0.0, ch = 0.0, cl = 0.0, cc = 0.0;
    for (int b = b0; b <= b1; ++b) {
        const size_t i = size_t(b);
        const double vo = (*o)[i], vh = (*h)[i], vl = (*l)[i], vc = (*c)[i];
        if (!isValue(vo) || !isValue(vh) || !isValue(vl) || !isValue(vc) || !isBarValid(cache, b)) {
            if (colOpen) {
                addCandle(ctx, colX, co, ch, cl, cc);
                colOpen = false;
            }
            continue;
        }
        const double so = vo * scale, sh = vh * scale, sl = vl * scale, sc = vc * scale;
        const int x = ctx.x(b);
        if (highBar < 0 || sh > highest) {
            highest = sh;
            highBar = b;
        }
        if (lowBar < 0 || sl < lowest) {
            lowest = sl;
            lowBar = b;
        }
        if (b < ctx.strokeFrom)
            continue;
        if (!perColumn) {
            addCandle(ctx, x, so, sh, sl, sc);
            continue;
        }
        if (colOpen && x == colX) {
            ch = qMax(ch, sh);
            cl = qMin(cl, sl);
            cc = sc;
            continue;
        }
        if (colOpen)
            addCandle(ctx, colX, co, ch, cl, cc);
        colX = x;
        co = so;
        ch = sh;
        cl = sl;
        cc = sc;
        colOpen = true;
    }
    if (colOpen)
        addCandle(ctx, colX, co, ch, cl, cc);

    flushRiseFall(painter, rise, fall, perColumn);

    if (!superposed && highBar >= 0) {
        markHighLow(painter, ctx, highBar, highest, lowBar, lowest, decimals);
        m_markedHigh = highBar;
        m_markedLow = lowBar;
    }
}

void CDrawStyle::addCandle(const CDrawContext& ctx, int x, double open, double high, double low, double close)
{
    const int hw = ctx.hw;
    const int yo = ctx.y(open), yh = ctx.y(high), yl = ctx.y(low), yc = ctx.y(close);
    const int top = qMin(yo, yc);
    const int bottom = qMax(yo, yc);
    const bool falling = close < open;
    QVector<QLine>& wicks = falling ? m_lines2 : m_lines;
    if (hw == 0 || top == bottom) {
        // Bare bar, or a body less than a row high: the body is a line.
        wicks.append(QLine(x, qMin(yh, top), x, qMax(yl, bottom)));
        if (hw > 0)
            wicks.append(QLine(x - hw, top, x + hw, top));
    } else if (falling) {
        m_lines2.append(QLine(x, qMin(yh, top), x, qMax(yl, bottom)));
        m_rects2.append(QRect(x - hw, top, 2 * hw, bottom - top));
    } else {
        // The hollow body stays empty: the wick stops at its edges.
        if (yh < top)
            m_lines.append(QLine(x, yh, x, top - 1));
        if (yl > bottom)
            m_lines.append(QLine(x, bottom + 1, x, yl));
        m_rects.append(QRect(x - hw, top, 2 * hw, bottom - top));
    }
}

void CDrawStyle::markHighLow(QPainter& painter, const CDrawContext& ctx, int highBar, double high, int lowBar,
                             double low, int decimals)
{
    const KW::CUiResource* res = KW::CUiResource::instance();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(res->getColor(QStringLiteral("ic_clr_kline_high_low_mark")), 0));
    painter.setFont(res->getFont(QStringLiteral("fnt_kline_graph_axis_text")));
    const QString invalid = QStringLiteral("--");
    drawLabel(painter, ctx.rect, ctx.x(highBar), ctx.y(high),
              KW::formatDoubleNumber(high, decimals, 0, false, invalid));
    if (lowBar != highBar || low != high)
        drawLabel(painter, ctx.rect, ctx.x(lowBar), ctx.y(low),
                  KW::formatDoubleNumber(low, decimals, 0, false, invalid));
    painter.restore();
}

void CDrawStyle::drawLabel(QPainter& painter, const QRect& bounds, int x, int y, const QString& text)
{
    // The arrow points at the price from the side with more room.
    const bool toRight = x < bounds.center().x();
    const int dir = toRight ? 1 : -1;
    const int tip = x + dir * kMarkGap;
    const int tail = tip + dir * kMarkLength;
    const QLine arrow[3] = {QLine(tip, y, tail, y), QLine(tip, y, tip + dir * kMarkHead, y - kMarkHead),
                            QLine(tip, y, tip + dir * kMarkHead, y + kMarkHead)};
    painter.drawLines(arrow, 3);
    const QFontMetrics fm(painter.font());
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    const int left = toRight ? tail + 2 : tail - 2 - w;
    // Keep the text inside the pane near its top and bottom edges.
    const int top = qBound(bounds.top(), y - h / 2, qMax(bounds.top(), bounds.bottom() - h + 1));
    painter.drawText(QRect(left, top, w + 1, h), Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace TC
