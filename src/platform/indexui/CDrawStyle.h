#pragma once

#include <cfloat>

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>
#include <Qt>

#include "platform/indexui/ArrowColorTextData.h"
#include "platform/indexui/CDrawContext.h"
#include "platform/indexui/RPCFormulaResultCache.h"

class QPainter;

namespace TC {

// The drawing primitives of formula outputs: each operation turns one output
// of a result cache into pixels inside the context's rectangle, for the bars
// of the context's window only (see CDrawContext for the bar and value
// mapping). The series decides which operation an output's style code selects.
//
// Common rules:
//  - A bar is skipped when its validity flag is 0, and a value when it is NaN,
//    infinite or "no value" (the largest double, either sign). A line breaks
//    at a skipped value instead of bridging it.
//  - An output index without data, an empty window or an invalid cache draws
//    nothing; nothing here fails loudly in a paint.
//  - Colours: a bar's own colour (the result's per-bar colours) where the
//    operation honours it, else the output's meta colour (0x00BBGGRR), else the
//    theme: lines take the default line palette "ic_clr_index_default_line_1"
//    .. "_8" by output index; sticks, candles and volume take "clr_global_rise"
//    or "clr_global_fall". outputColor() is that rule, and the title uses it,
//    so a value in the title has the colour of its line.
//  - Widths: the output's meta width (1..9) for lines and colour sticks.
//  - Lines are not antialiased: crisp one-pixel lines, as chart users expect,
//    and pixel-exact bar alignment.
//  - Calls are batched: one drawLines / drawRects / drawPolyline per pen
//    (a line is cut only where a value is missing), from buffers owned by this
//    object that keep their capacity between paints. One object per series;
//    GUI thread only.
//
// Dense windows: when the window has more slots than the rectangle has pixel
// columns (step() < 1), candles, volume and colour sticks and lines are drawn
// once per pixel column instead of once per bar, so a paint costs the pane's
// width, not the bar count. A column holds the bars whose x() is that column;
// a missing value still splits it, as it breaks a line.
//  - Candles: the column's first open, highest high, lowest low and last
//    close, drawn as one candle by the usual rule: rising (hollow, rise
//    colour) when the last close >= the first open, else falling. The high /
//    low marks still name the real bar of the window's extreme.
//  - Volume sticks: the column's tallest stick (largest magnitude), coloured
//    like the column's candle: the first input bar's open against the last
//    input bar's close (a column without input data counts as rising).
//  - Colour sticks: the column's highest value above 0 and lowest below, each
//    in its colour: the same pixels as stick over stick.
//  - Lines: one vertical stroke per column over the rows between the
//    column's lowest and highest value, stretched by its half of the segments
//    to the neighbouring columns' first / last value; all strokes in one
//    drawLines. Every pixel the bar-by-bar line would light stays lit and no
//    spike or dip is lost; missing values still break the line. (A pen
//    pattern restarts per stroke: at several bars a pixel it is not readable
//    anyway.)
// Anything at or below one bar per column takes the per-bar path unchanged.
//
// Choices where the calls leave it open are documented per operation.
class CDrawStyle
{
public:
    CDrawStyle();
    ~CDrawStyle();
    CDrawStyle(const CDrawStyle&) = delete;
    CDrawStyle& operator=(const CDrawStyle&) = delete;

    // --- price chart (CDrawStyleKLine.cpp) ---

    // Candles from the output's four columns open, high, low, close: a
    // one-pixel wick, a body 2 * hw + 1 wide; rising (close > open) hollow in
    // "clr_global_rise", falling filled in "clr_global_fall", unchanged as a
    // horizontal line in the rise colour; hw 0 draws bare bars (high to low).
    // A superposed K-line with a meta colour is drawn in that one colour
    // (hollow rising, filled falling). Prices are multiplied by `scale`.
    // Unless superposed, the highest high and the lowest low of the window
    // are marked with a short arrow and the price ("ic_clr_kline_high_low_mark",
    // "fnt_kline_graph_axis_text", `decimals` decimals), pointing into the pane
    // so the text never leaves it.
    void drawKLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache, int output,
                   bool superposed = false, double scale = 1.0, int decimals = 2);

    // The tick (time-sharing) line: the output's price line in
    // "ic_clr_tick_price_line" and, when the cache has a later line output
    // (style code 0, the average price of the tick formula), that line in
    // "ic_clr_tick_average_line". `upperLimit` and `lowerLimit` (the
    // instrument's price limits; the largest double for none) are drawn as
    // dotted rise / fall lines when they are prices.
    void drawTick(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache, int output,
                  double upperLimit = DBL_MAX, double lowerLimit = DBL_MAX);

    // --- lines (CDrawStyleLines.cpp) ---

    // The output's first column through the bar centres, in the output's colour
    // and width with the given pen style (solid, dot, dash-dot, dash-dot-dot).
    // `scale` applies only when `superposed` (a superposed instrument's line).
    void drawSimpleLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                        int output, Qt::PenStyle pen = Qt::SolidLine, bool superposed = false,
                        double scale = 1.0);
    // Like drawSimpleLine, but each segment takes the colour of the bar it
    // ends on (per-bar colours), so one output can change colour with a
    // condition; solid pen.
    void drawSegmentLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                         int output);
    // A step line: a horizontal segment across each bar's whole slot at its
    // value, joined by vertical risers where `connect` (used for price levels
    // such as the previous close, which hold flat for a day).
    void drawHorizontalBrokenLine(QPainter& painter, const CDrawContext& ctx,
                                  const RPCFormulaResultCache& cache, int output, bool connect = true);
    // A full-height vertical line at every bar whose value is a non-zero number.
    void drawVertLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                      int output, Qt::PenStyle pen = Qt::SolidLine);
    // A line of the first column whose segments are drawn only between two
    // consecutive bars where the condition holds: the second column non-zero
    // when the output has two, else the value itself non-zero.
    void drawBoolLine(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                      int output, Qt::PenStyle pen = Qt::SolidLine);
    // Every column of the output as its own line (drawSimpleLine's rule per
    // column, solid pen): the formula language's DRAWLINE segments (code 43).
    void drawLineColumns(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                         int output);
    // The area between the output's two columns filled bar to bar (code 44:
    // DRAWBAND, FILLRGN): between two neighbouring bars that both have both
    // values a band in the colour of the later bar (outputColor at that bar,
    // so per-bar colours apply); a bar without such a neighbour gets a
    // vertical stroke between its values. One polygon per run of bars of one
    // colour.
    void drawFillBand(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                      int output);
    // A filled round dot at each value; diameter hw clamped to 3..7 pixels.
    void drawCircleDot(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                       int output);

    // --- sticks (CDrawStyleSticks.cpp) ---

    // A vertical line from 0 to the value: rise colour above 0, fall below
    // (the meta colour, when set, for both). Width from the meta width.
    void drawColorStick(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                        int output, Qt::PenStyle pen = Qt::SolidLine);
    // Volume bars standing on 0 (the bottom row when the range starts at 0),
    // as wide as candle bodies and coloured like the bar's candle (the input
    // bar of the result: close >= open rise and hollow, else fall and filled;
    // a bar without input data counts as rising). A meta colour replaces both.
    void drawVolStick(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                      int output);
    // Stacked volume: each column of the output stacked on the ones before
    // it, filled, column k in the default line colour k (the meta colour for
    // column 0 when set). Negative or missing parts add nothing.
    void drawStackVolstick(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                           int output);
    // Tick volume: one-pixel sticks from 0, coloured by the tick's move
    // against the previous tick (the first against `prevClose`): up rise,
    // down fall, unchanged "ic_clr_kline_axis_text".
    void drawTickVolStick(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                          int output, double prevClose);
    // Tick volume coloured by the tick price against the previous close:
    // above rise, below fall, equal (or no previous close) "ic_clr_kline_axis_text".
    void drawTickVolStickNew(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                             int output, double prevClose);
    // STICKLINE: a bar between the output's two columns. Width parameter w
    // (meta params1) in tenths of the bar spacing, capped at 10; 0 or below
    // is a one-pixel line. Parameter 2 non-zero draws it hollow, else filled.
    void drawStickKline(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                        int output);

    // --- texts and pictures (CDrawStyleTexts.cpp) ---

    // The bar's text (the result's per-bar texts) centred on the bar and on the
    // value, "fnt_default_normal", output or per-bar colour.
    void drawText(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache, int output);
    // A text at a fixed place of the pane, not bound to a bar: the newest bar of
    // the whole result with a text and a valid first column; the first column is
    // the x position and the second (0 when absent) the y position, both as
    // fractions 0..1 of the rectangle (clamped), the text's top-left there.
    void drawTextEx(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                    int output);
    // A picture centred on the bar and the value. `iconKey` is the picture
    // key; icon number 2 (meta params1, the DRAWICON number) selects
    // "ic_img_arrow_down" instead, so buy/sell arrows read the usual way.
    void drawIcon(QPainter& painter, const CDrawContext& ctx, const QString& iconKey,
                  const RPCFormulaResultCache& cache, int output);
    // The number (second column, else the per-bar numbers) placed like
    // drawText at the first column's value, with the output's decimals (2
    // when unset).
    void drawNumber(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                    int output);

    // --- value ranges (CDrawStyleRanges.cpp) ---

    // Range of every output that takes part in the y axis
    // (IndexBaseData::isNeedYAxis) over the bars from..to (clamped to the
    // result, invalid bars and values skipped). `notTick` false (a tick chart)
    // takes only each output's first column. When `superposed`, the values of
    // lines (0, 11) and K-lines (12) are multiplied by `scale`, as they are
    // drawn. `kLineOnly` restricts it to K-line outputs. False, with max and
    // min untouched, when there is no value.
    static bool calcMaxMin(double& max, double& min, int from, int to, const RPCFormulaResultCache& cache,
                           bool notTick = true, bool superposed = false, double scale = 1.0,
                           bool kLineOnly = false);
    // Range of one output (all its columns), whatever its style.
    static bool calcMaxMin(double& max, double& min, int from, int to, const RPCFormulaResultCache& cache,
                           int output);

    // --- title texts and colours (CDrawStyleTitle.cpp) ---

    // The coloured "NAME: value" pieces of every output at a bar (a negative bar
    // or one past the end means the newest). Multi-column outputs give one
    // piece per column, labelled by its column name. Values read with the
    // output's decimals (2 when unset) and 万/亿 units, "--" for no value.
    // With `price` (the main K-line formula) a candle's columns compare to the
    // previous bar's close (rise, fall, or "clr_text_default" when equal or
    // unknown) and the close carries an arrow; otherwise each piece has
    // outputColor() at the bar.
    static QVector<ArrowColorTextData> getTitleTextData(const RPCFormulaResultCache& cache, int bar,
                                                        bool price);
    // The same pieces as plain text, separated by one space.
    static QString getTitleText(const RPCFormulaResultCache& cache, int bar, bool price);

    // The colour an output is drawn in at a bar (bar -1: regardless of bar);
    // see the class comment.
    static QColor outputColor(const RPCFormulaResultCache& cache, int output, int bar = -1);
    // Default palette colour of an output index.
    static QColor defaultLineColor(int output);
    // A number that can be drawn: finite and not "no value".
    static bool isValue(double v) { return v == v && v < DBL_MAX && v > -DBL_MAX; }
    // Validity flag of a bar; bars beyond the flags count as valid. Inline:
    // every drawing loop asks it once per visible bar.
    static bool isBarValid(const RPCFormulaResultCache& cache, int bar)
    {
        if (!cache.result || bar < 0)
            return false;
        const std::vector<int>& flags = cache.result->barFlags;
        return bar >= int(flags.size()) || flags[size_t(bar)] != 0;
    }

    // Per-column drawing of dense windows (on by default). Off forces the
    // per-bar path everywhere: for comparisons, not for users.
    static void setColumnDrawing(bool on);
    static bool columnDrawing();

    // The bars drawKLine put its high and low marks on since resetMarks()
    // (-1: none). A picture redrawn in part must not move them.
    void resetMarks() { m_markedHigh = m_markedLow = -1; }
    int markedHighBar() const { return m_markedHigh; }
    int markedLowBar() const { return m_markedLow; }

private:
    // Bars of the context's window that exist in the cache and have a slot; false when none.
    static bool window(const CDrawContext& ctx, const RPCFormulaResultCache& cache, int& b0, int& b1);
    // The output's first column and its drawn window (b1 clamped to the
    // column); null when nothing can be drawn.
    static const std::vector<double>* windowData(const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                                                 int output, int& b0, int& b1);
    static int lineWidth(const RPCFormulaResultCache& cache, int output);
    // 1 rising input bar, -1 falling, 0 unknown.
    static int barDirection(const RPCFormulaResultCache& cache, int bar);
    // More slots than pixel columns, and column drawing on.
    static bool dense(const CDrawContext& ctx);
    // The pixel columns of bars b0..b1 of a dense window into m_columnStart /
    // m_columnX: column c holds bars m_columnStart[c] .. m_columnStart[c + 1] - 1
    // at x m_columnX[c]. Every output of a pane shares its window, so the
    // table is kept until the window or the rectangle changes.
    void mapColumns(const CDrawContext& ctx, int b0, int b1);
    // The skeleton of the dense stick walks: add(bar, value) for each bar
    // with a value, column by column, then flush(x) after each column that
    // had one.
    template <class Add, class Flush>
    void forEachColumn(const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                       const std::vector<double>& values, int b0, int b1, Add add, Flush flush);
    // One candle at x from prices already scaled, into the rise / fall buffers.
    void addCandle(const CDrawContext& ctx, int x, double open, double high, double low, double close);

    // Polyline of m_points cut at the starts listed in m_runs, and the
    // strokes of a dense line (m_columnLines).
    void flushPolylines(QPainter& painter);
    // `columns`: the lines are a dense window's strokes (see drawStrokes).
    void flushRiseFall(QPainter& painter, const QColor& rise, const QColor& fall, bool columns = false);
    // drawLines with the painter's pen. In a one-pixel solid pen, vertical
    // and horizontal lines are written straight into the pixels when the
    // painter paints a plain image (see CDirectFill in the source), else a
    // dense window's (`columns`) vertical ones are filled as one-pixel-wide
    // rectangles: the same pixels at a fraction of the cost of stroking.
    void drawStrokes(QPainter& painter, const QVector<QLine>& lines, bool columns);
    // drawRects with the painter's pen and brush (candle and volume bodies),
    // written straight into the pixels as drawStrokes does when the pen is
    // one solid pixel and the brush is none or the pen's colour.
    static void drawBodies(QPainter& painter, const QVector<QRect>& rects);
    // Draws the collected m_lines with `pen` (nothing when there are none).
    void strokeLines(QPainter& painter, const QPen& pen);
    // Fills m_points / m_runs with the valid values of bars b0..b1 (times
    // scale); a dense window fills m_columnLines instead.
    void collectLine(const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                     const std::vector<double>& values, int b0, int b1, double scale);
    void markHighLow(QPainter& painter, const CDrawContext& ctx, int highBar, double high, int lowBar,
                     double low, int decimals);
    void drawLabel(QPainter& painter, const QRect& bounds, int x, int y, const QString& text);
    void drawTickSticks(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                        int output, double prevClose, bool againstPrevClose);

    int m_markedHigh = -1;
    int m_markedLow = -1;
    QVector<QLine> m_lines;
    QVector<QLine> m_lines2;
    QVector<QLine> m_lines3;
    QVector<QRect> m_rects;
    QVector<QRect> m_rects2;
    QVector<QPoint> m_points;
    QVector<QPoint> m_points2;
    QVector<int> m_runs;
    QVector<QLine> m_columnLines;
    QVector<QLine> m_slanted; // drawStrokes: the strokes it cannot fill
    QVector<QRect> m_fills;
    QVector<int> m_columnStart;
    QVector<int> m_columnX;
    int m_columnKey[8] = {0, -1, 0, 0, 0, 0, 0, 0}; // the window and rectangle of m_columnStart
};

template <class Add, class Flush>
void CDrawStyle::forEachColumn(const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                               const std::vector<double>& values, int b0, int b1, Add add, Flush flush)
{
    b1 = qMin(b1, int(values.size()) - 1);
    if (b0 > b1)
        return;
    mapColumns(ctx, b0, b1);
    const std::vector<int>& flags = cache.result->barFlags;
    const int flagged = int(flags.size());
    const int columns = m_columnX.size();
    for (int c = 0; c < columns; ++c) {
        const int end = m_columnStart[c + 1];
        bool any = false;
        for (int b = m_columnStart[c]; b < end; ++b) {
            const double v = values[size_t(b)];
            if (!isValue(v) || (b < flagged && flags[size_t(b)] == 0))
                continue;
            add(b, v);
            any = true;
        }
        if (any)
            flush(m_columnX[c]);
    }
}

} // namespace TC
