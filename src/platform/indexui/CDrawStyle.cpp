#include "platform/indexui/CDrawStyle.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <QImage>
#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace TC {

namespace {
const char* const kPalette[] = {"ic_clr_index_default_line_1", "ic_clr_index_default_line_2",
                                "ic_clr_index_default_line_3", "ic_clr_index_default_line_4",
                                "ic_clr_index_default_line_5", "ic_clr_index_default_line_6",
                                "ic_clr_index_default_line_7", "ic_clr_index_default_line_8"};
const int kPaletteSize = int(sizeof(kPalette) / sizeof(kPalette[0]));
const int kMaxLineWidth = 9;

QColor fromBgr(unsigned c)
{
    return QColor(int(c & 0xffu), int((c >> 8) & 0xffu), int((c >> 16) & 0xffu));
}

QColor themeColor(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

bool g_columnDrawing = true;

// Widens lo / hi and moves last over the values of bars b..e up to the first
// one that cannot be drawn; returns that bar (e + 1 when there is none).
// Locals, so the extremes stay in registers: this runs over every bar of a
// dense line.
int scanRun(const double* values, const int* flags, int flagged, int b, int e, double scale, double& lo,
            double& hi, double& last)
{
    double l = lo;
    double h = hi;
    double t = last;
    for (; b <= e; ++b) {
        const double r = values[b];
        if (!CDrawStyle::isValue(r) || (b < flagged && flags[b] == 0))
            break;
        const double v = r * scale;
        l = v < l ? v : l;
        h = v > h ? v : h;
        t = v;
    }
    lo = l;
    hi = h;
    last = t;
    return b;
}
} // namespace

void CDrawStyle::setColumnDrawing(bool on)
{
    g_columnDrawing = on;
}

bool CDrawStyle::columnDrawing()
{
    return g_columnDrawing;
}

bool CDrawStyle::dense(const CDrawContext& ctx)
{
    return g_columnDrawing && ctx.step() < 1.0;
}

void CDrawStyle::mapColumns(const CDrawContext& ctx, int b0, int b1)
{
    const int key[8] = {b0, b1, ctx.first, ctx.slotOffset, ctx.span, ctx.hw, ctx.rect.left(), ctx.rect.width()};
    if (std::equal(key, key + 8, m_columnKey))
        return;
    std::copy(key, key + 8, m_columnKey);
    m_columnStart.clear();
    m_columnX.clear();
    int last = INT_MIN;
    for (int b = b0; b <= b1; ++b) {
        const int x = ctx.x(b);
        if (x != last) {
            m_columnStart.append(b);
            m_columnX.append(x);
            last = x;
        }
    }
    m_columnStart.append(b1 + 1);
}

CDrawStyle::CDrawStyle()
{
    // Enough for a wide pane of dense bars; grows once if ever needed.
    m_lines.reserve(2048);
    m_lines2.reserve(2048);
    m_lines3.reserve(256);
    m_rects.reserve(1024);
    m_rects2.reserve(1024);
    m_points.reserve(2048);
    m_points2.reserve(1024);
    m_runs.reserve(64);
    m_columnLines.reserve(4096);
    m_slanted.reserve(64);
    m_fills.reserve(4096);
    m_columnStart.reserve(4097);
    m_columnX.reserve(4096);
}

CDrawStyle::~CDrawStyle() = default;

bool CDrawStyle::window(const CDrawContext& ctx, const RPCFormulaResultCache& cache, int& b0, int& b1)
{
    if (!cache.isValid() || ctx.rect.isEmpty())
        return false;
    // Bars past the slots would land outside the pane: the window is what is drawn.
    b0 = qMax(qMax(qMax(ctx.first, 0), ctx.first - ctx.slotOffset), ctx.strokeFrom);
    b1 = qMin(qMin(ctx.last, cache.barCount() - 1), ctx.first - ctx.slotOffset + ctx.span);
    return b0 <= b1;
}

const std::vector<double>* CDrawStyle::windowData(const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                                                  int output, int& b0, int& b1)
{
    const std::vector<double>* v = cache.data(output, 0);
    if (!v || !window(ctx, cache, b0, b1))
        return nullptr;
    b1 = qMin(b1, int(v->size()) - 1);
    return v;
}

int CDrawStyle::lineWidth(const RPCFormulaResultCache& cache, int output)
{
    const std::vector<int>& widths = cache.meta->widths;
    if (output < 0 || output >= int(widths.size()))
        return 1;
    return qBound(1, widths[size_t(output)], kMaxLineWidth);
}

int CDrawStyle::barDirection(const RPCFormulaResultCache& cache, int bar)
{
    if (!cache.result || bar < 0 || bar >= int(cache.result->basicData.size()))
        return 0;
    const quoter::CBar& b = cache.result->basicData[size_t(bar)];
    return b.close >= b.open ? 1 : -1;
}

QColor CDrawStyle::defaultLineColor(int output)
{
    return themeColor(kPalette[output < 0 ? 0 : output % kPaletteSize]);
}

QColor CDrawStyle::outputColor(const RPCFormulaResultCache& cache, int output, int bar)
{
    if (!cache.isValid() || output < 0)
        return defaultLineColor(0);
    const se::RPCFormulaResult& r = *cache.result;
    if (bar >= 0 && output < int(r.barColors.size())) {
        const std::vector<unsigned>& perBar = r.barColors[size_t(output)];
        if (bar < int(perBar.size()) && perBar[size_t(bar)] != se::RPCFormulaMetaResult::kDefaultColor)
            return fromBgr(perBar[size_t(bar)]);
    }
    const std::vector<unsigned>& colors = cache.meta->colors;
    if (output < int(colors.size()) && colors[size_t(output)] != se::RPCFormulaMetaResult::kDefaultColor)
        return fromBgr(colors[size_t(output)]);
    switch (cache.styleCode(output)) {
    case 2: { // colour sticks read by sign
        const double v = bar >= 0 ? cache.value(output, bar) : 0.0;
        return themeColor(isValue(v) && v < 0 ? "clr_global_fall" : "clr_global_rise");
    }
    case 10:
    case 42: // volume reads like its candle
        return themeColor(barDirection(cache, bar) < 0 ? "clr_global_fall" : "clr_global_rise");
    case 12:
        return themeColor("clr_global_rise");
    case 101:
        return themeColor("ic_clr_tick_price_line");
    default:
        return defaultLineColor(output);
    }
}

void CDrawStyle::collectLine(const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                             const std::vector<double>& values, int b0, int b1, double scale)
{
    m_points.clear();
    m_runs.clear();
    m_columnLines.clear();
    const int n = qMin(b1, int(values.size()) - 1);
    const std::vector<int>& flags = cache.result->barFlags;
    const int flagged = int(flags.size());
    auto usable = [&](int b, double v) { return isValue(v) && (b >= flagged || flags[size_t(b)] != 0); };
    if (!dense(ctx)) {
        bool inRun = false;
        for (int b = b0; b <= n; ++b) {
            const double v = values[size_t(b)];
            if (!usable(b, v)) {
                inRun = false;
                continue;
            }
            if (!inRun) {
                m_runs.append(m_points.size());
                inRun = true;
            }
            m_points.append(QPoint(ctx.x(b), ctx.y(v * scale)));
        }
        return;
    }
    // One vertical stroke per column: the rows its values span, plus its
    // half of the segments to the neighbouring columns (split at the middle,
    // a tie row going to both), so the line reads as drawn bar by bar and a
    // one-bar spike keeps its tip. Rows are computed per column, not per bar.
    if (n < b0)
        return;
    mapColumns(ctx, b0, n);
    // The previous column, drawn once the next one's first row is known.
    bool pending = false;
    bool linked = false; // the next run continues the pending column's line
    int px = 0;
    int pTop = 0;
    int pBottom = 0;
    int pLast = 0;
    auto emitPending = [&]() {
        if (pending)
            m_columnLines.append(QLine(px, pTop, px, pBottom));
        pending = false;
    };
    const double* data = values.data();
    const int* flag = flags.data();
    const int columns = m_columnX.size();
    for (int col = 0; col < columns; ++col) {
        const int x = m_columnX[col];
        const int e = m_columnStart[col + 1] - 1;
        for (int b = m_columnStart[col]; b <= e;) {
            if (!usable(b, data[b])) {
                emitPending();
                linked = false;
                ++b;
                continue;
            }
            // A run of values: a missing one splits the column as it breaks the line.
            const double vFirst = data[b] * scale;
            double vMin = vFirst;
            double vMax = vFirst;
            double vLast = vFirst;
            const int stop = scanRun(data, flag, flagged, b + 1, e, scale, vMin, vMax, vLast);
            int top = ctx.y(vMax);
            int bottom = ctx.y(vMin);
            const int first = ctx.y(vFirst);
            if (pending && linked) {
                if (x - px == 1) {
                    // Each column takes its half of the joining segment. Both
                    // columns already hold their own end of it (pLast lies in
                    // pTop..pBottom, first in top..bottom), so of these four
                    // only the two on the segment's side widen anything: no
                    // branch on the direction, which is a coin toss per column.
                    const int d = first - pLast;
                    const int half = pLast + d / 2;
                    pBottom = qMax(pBottom, half);
                    pTop = qMin(pTop, half);
                    top = qMin(top, pLast + (d + 1) / 2);
                    bottom = qMax(bottom, pLast + (d - 1) / 2);
                } else {
                    m_columnLines.append(QLine(px, pLast, x, first));
                }
            }
            emitPending();
            pending = true;
            px = x;
            pTop = top;
            pBottom = bottom;
            pLast = ctx.y(vLast);
            linked = stop > e;
            b = stop;
        }
    }
    emitPending();
}

namespace {

// Strokes written straight into the painter's image, with the pixels the
// rasteriser gives: its per-span calls cost more than the pixels of a thin
// stroke or a narrow body. Only for an unshared 32-bit image, an opaque solid
// colour over everything, no transform but a whole-pixel shift and no clip
// but one rectangle.
class CDirectFill
{
public:
    // False when the painter's state allows no direct fill in `colour`.
    bool open(QPainter& painter, const QColor& colour)
    {
        QPaintDevice* device = painter.device();
        if (!device || device->devType() != QInternal::Image)
            return false;
        auto* image = static_cast<QImage*>(device);
        const QImage::Format format = image->format();
        if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
             format != QImage::Format_ARGB32_Premultiplied) ||
            !image->isDetached())
            return false;
        if (colour.alpha() != 255 || painter.opacity() != 1.0 ||
            painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
            painter.testRenderHint(QPainter::Antialiasing))
            return false;
        const QTransform t = painter.deviceTransform();
        if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
            return false;
        m_dx = int(t.dx());
        m_dy = int(t.dy());
        m_bounds = image->rect();
        if (painter.hasClipping()) {
            const QRegion clip = painter.clipRegion();
            if (clip.rectCount() > 1)
                return false;
            m_bounds &= clip.boundingRect().translated(m_dx, m_dy);
        }
        m_pixel = colour.rgba();
        m_bits = image->bits();
        m_stride = image->bytesPerLine();
        return true;
    }
    // The pixels x0..x1, y0..y1 (inclusive, logical coordinates).
    void fill(int x0, int y0, int x1, int y1)
    {
        const QRect r = QRect(QPoint(x0 + m_dx, y0 + m_dy), QPoint(x1 + m_dx, y1 + m_dy)) & m_bounds;
        if (r.isEmpty())
            return;
        uchar* row = m_bits + qsizetype(r.top()) * m_stride + qsizetype(r.left()) * 4;
        const int w = r.width();
        for (int y = r.top(); y <= r.bottom(); ++y, row += m_stride) {
            QRgb* px = reinterpret_cast<QRgb*>(row);
            for (int k = 0; k < w; ++k)
                px[k] = m_pixel;
        }
    }
    // fill() of one column: a dense window's strokes are thousands of these.
    void column(int x, int y0, int y1)
    {
        x += m_dx;
        if (x < m_bounds.left() || x > m_bounds.right())
            return;
        y0 = qMax(y0 + m_dy, m_bounds.top());
        y1 = qMin(y1 + m_dy, m_bounds.bottom());
        uchar* at = m_bits + qsizetype(y0) * m_stride + qsizetype(x) * 4;
        for (int y = y0; y <= y1; ++y, at += m_stride)
            *reinterpret_cast<QRgb*>(at) = m_pixel;
    }
    // A cosmetic, square-capped line lights its end points and every pixel
    // between; false (nothing drawn) for a slanted one.
    bool line(const QLine& l)
    {
        if (l.x1() == l.x2())
            column(l.x1(), qMin(l.y1(), l.y2()), qMax(l.y1(), l.y2()));
        else if (l.y1() == l.y2())
            fill(qMin(l.x1(), l.x2()), l.y1(), qMax(l.x1(), l.x2()), l.y1());
        else
            return false;
        return true;
    }
    // drawRect with a cosmetic pen: the outline covers x .. x + width and
    // y .. y + height; a brush of the pen's colour fills what it encloses.
    void rect(const QRect& r, bool filled)
    {
        const int x1 = r.x() + r.width();
        const int y1 = r.y() + r.height();
        if (filled || r.width() <= 1 || r.height() <= 1) {
            fill(r.x(), r.y(), x1, y1);
            return;
        }
        fill(r.x(), r.y(), x1, r.y());
        fill(r.x(), y1, x1, y1);
        fill(r.x(), r.y() + 1, r.x(), y1 - 1);
        fill(x1, r.y() + 1, x1, y1 - 1);
    }

private:
    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_dx = 0;
    int m_dy = 0;
    QRect m_bounds;
    QRgb m_pixel = 0;
};

// A pen whose lines the direct fill can stand in for.
bool thinPen(const QPen& pen)
{
    return pen.style() == Qt::SolidLine && pen.widthF() == 0.0 && pen.capStyle() != Qt::FlatCap &&
           pen.brush().style() == Qt::SolidPattern;
}

} // namespace

void CDrawStyle::drawStrokes(QPainter& painter, const QVector<QLine>& lines, bool columns)
{
    if (lines.isEmpty())
        return;
    const QPen pen = painter.pen();
    // A cosmetic square-capped line lights exactly the pixels from one end
    // to the other, as the rectangle over them does.
    const bool thin = thinPen(pen) && !painter.testRenderHint(QPainter::Antialiasing) &&
                      painter.transform().type() <= QTransform::TxTranslate;
    if (!thin) {
        painter.drawLines(lines);
        return;
    }
    m_fills.clear();
    m_slanted.clear();
    CDirectFill direct;
    if (direct.open(painter, pen.color())) {
        for (const QLine& l : lines)
            if (!direct.line(l))
                m_slanted.append(l);
    } else if (!columns) {
        painter.drawLines(lines);
        return;
    } else {
        for (const QLine& l : lines) {
            if (l.x1() != l.x2())
                m_slanted.append(l);
            else
                m_fills.append(QRect(l.x1(), qMin(l.y1(), l.y2()), 1, qAbs(l.y2() - l.y1()) + 1));
        }
    }
    if (!m_fills.isEmpty()) {
        const QBrush brush = painter.brush();
        painter.setPen(Qt::NoPen);
        painter.setBrush(pen.brush());
        painter.drawRects(m_fills);
        painter.setBrush(brush);
        painter.setPen(pen);
    }
    if (!m_slanted.isEmpty())
        painter.drawLines(m_slanted);
}

void CDrawStyle::drawBodies(QPainter& painter, const QVector<QRect>& rects)
{
    if (rects.isEmpty())
        return;
    const QPen pen = painter.pen();
    const QBrush brush = painter.brush();
    const bool hollow = brush.style() == Qt::NoBrush;
    CDirectFill direct;
    if (thinPen(pen) && (hollow || (brush.style() == Qt::SolidPattern && brush.color() == pen.color() &&
                                    brush.transform().isIdentity())) &&
        direct.open(painter, pen.color())) {
        for (const QRect& r : rects) {
            if (r.width() > 0 && r.height() > 0)
                direct.rect(r, !hollow);
            else
                painter.drawRect(r); // degenerate (never made here): Qt's own rule
        }
        return;
    }
    painter.drawRects(rects);
}

void CDrawStyle::flushPolylines(QPainter& painter)
{
    drawStrokes(painter, m_columnLines, true);
    for (int r = 0; r < m_runs.size(); ++r) {
        const int start = m_runs[r];
        const int end = r + 1 < m_runs.size() ? m_runs[r + 1] : m_points.size();
        if (end - start == 1)
            painter.drawPoint(m_points[start]); // a lone value still shows
        else
            painter.drawPolyline(m_points.constData() + start, end - start);
    }
}

} // namespace TC
