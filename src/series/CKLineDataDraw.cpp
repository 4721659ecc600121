// The painter side of a series: value ranges, the price axis and the
// dispatch of every formula output to the drawing library.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include <QFontMetrics>
#include <QPainter>

#include <boost/thread/shared_lock_guard.hpp>
#include <boost/thread/locks.hpp>

#include "model/CKLineUiParam.h"
#include "platform/config/CAppConfig.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/CDrawContext.h"
#include "platform/indexui/CDrawStyle.h"
#include "platform/indexui/GraphShowTick.h"
#include "platform/market/InstrumentAccess.h"
#include "platform/market/TraderCenter.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const char* const kInvalid = "非法值";

bool isTickFormula(const QString& name)
{
    return name.contains(QLatin1String("TICKDATA"), Qt::CaseInsensitive);
}

bool hasStyle(const RPCFormulaResultCache& cache, int style)
{
    for (int i = 0; i < cache.outputCount(); ++i)
        if (cache.styleCode(i) == style)
            return true;
    return false;
}

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// Styles whose strokes lie within a few pixels of their own bars: solid
// lines, sticks, volume and candles. Dashed lines are left whole: their
// pattern runs on from the start of the line.
bool strokesStayNearBar(int code, const QString& formula)
{
    switch (code) {
    case 0:
    case 2:
    case 11:
    case 12:
    case 42:
        return true;
    case 10:
        return !formula.contains(QLatin1String("TICKVOL"), Qt::CaseInsensitive);
    default:
        return false;
    }
}

// The first bar whose strokes can reach column fromX: a stroke ends at the
// next bar's centre, widened by at most a wide pen's cap and join.
int firstStrokedBar(const CDrawContext& ctx, int fromX)
{
    const int reach = 32;
    const double room = double(fromX) - reach - 1 - ctx.rect.left() - ctx.hw;
    if (room < 0 || !(ctx.step() > 0.0))
        return INT_MIN;
    const double slot = std::floor(room / ctx.step());
    return int(slot) + ctx.first - ctx.slotOffset;
}

} // namespace

int CKLineData::tickDigits(double tick)
{
    if (tick >= DBL_MAX || !std::isfinite(tick))
        return 2;
    const double eps = tick > 0.00001 ? 0.00001 : 0.000001;
    double t = std::fabs(tick);
    int n = 0;
    while (std::fabs(t - std::trunc(t)) >= eps && n <= 10) {
        t *= 10.0;
        ++n;
    }
    return n;
}

// ---------------------------------------------------------------------------
// Preparation

void CKLineData::calcDrawRange(const QRect&)
{
    m_maxMinMap.clear();
    m_drawnRanges.clear();
    if (!m_pUiParam)
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.getMinDispIndex();
    const int last = ui.getMaxDispIndex();
    if (first < 0 || last < 0)
        return;
    const QString base = baseKey();
    bool any = false;
    double paneMax = 0.0;
    double paneMin = 0.0;
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it) {
        const CFormulaKey& key = it.key();
        const RPCFormulaResultCache& cache = it.value();
        const bool superposed = !key.stock.contains(base);
        const double scale = superposed ? getSuperposScale(key) : 1.0;
        const QPoint w = getSeriesRegion(QPoint(first, last), cache.barCount(), key);
        double mx = 0.0;
        double mn = 0.0;
        if (!CDrawStyle::calcMaxMin(mx, mn, w.x(), w.y(), cache, !isTickFormula(key.formula), superposed, scale,
                                    false))
            continue;
        const double low = hasStyle(cache, 42) ? 0.0 : mn;
        const double m = (mx - low) * 0.1;
        const double hi = std::min(mx + m, mx + 0.1 * std::fabs(mx));
        const double lo = std::max(low - m, low - 0.1 * std::fabs(low));
        if (!any) {
            paneMax = hi;
            paneMin = lo;
            any = true;
        } else {
            paneMax = std::max(paneMax, hi);
            paneMin = std::min(paneMin, lo);
        }
        // The expected band belongs to the price: an indicator pane keeps
        // its own scale.
        if (ui.optionExpectMode == 1 && m_paneRole == 0) {
            double lower = 0.0;
            double upper = 0.0;
            const auto* center = qlservice::TraderCenter::instance()->getDataCenter();
            if (center && center->getWinnerPrices(key.stock.toStdString(), lower, upper)) {
                const double d = (upper - lower) / 10.0;
                paneMax = std::max(paneMax, upper + d);
                paneMin = std::min(paneMin, lower - d);
            }
        }
    }
    if (!any)
        paneMax = paneMin = 0.0;
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it)
        m_maxMinMap.insert(it.key(), qMakePair(paneMax, paneMin));
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it)
        if (it->outputCount() > 0 && hasStyle(*it, 10))
            m_maxMinMap[it.key()].second = 0.0;
}

const RPCFormulaResultCache* CKLineData::firstBaseEntry(CFormulaKey* keyOut) const
{
    const QString base = baseKey();
    for (const QString& f : m_formulas) {
        const CFormulaKey key(base, f);
        const auto it = m_data.constFind(key);
        if (it != m_data.constEnd()) {
            if (keyOut)
                *keyOut = key;
            return &it.value();
        }
    }
    return nullptr;
}

void CKLineData::calcYAxis(const QRect& rect)
{
    m_axisTicks.clear();
    CFormulaKey key;
    if (!firstBaseEntry(&key))
        return;
    if (!m_maxMinMap.contains(key))
        m_maxMinMap.insert(key, qMakePair(0.0, 0.0));
    const double max = m_maxMinMap.value(key).first;
    const double min = m_maxMinMap.value(key).second;
    const int top = rect.top();
    const int bottom = rect.bottom();
    if (max == min) {
        m_axisTicks.append(qMakePair(max, (top + bottom) / 2));
        return;
    }
    const int span = bottom - top;
    int step = span;
    while (step >= 60)
        step /= 2;
    if (step < 1)
        return;
    const int n = span / step;
    const double dv = (max - min) / n;
    for (int k = 0; k <= n; ++k)
        m_axisTicks.append(qMakePair(max - k * dv, top + k * step));
    if (m_axisTicks.size() >= 3) {
        m_axisTicks.removeFirst();
        m_axisTicks.removeLast();
    }
}

// Trade marks are drawn by their own pass once those records are shown; the
// ex-rights marks live in CKLineDataDividMarks.cpp.


void CKLineData::calcLongHuBangData(const QRect& rect)
{
    m_rankTable.clear();
    m_rankByBar.clear();
    if (!m_pUiParam)
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.getMinDispIndex();
    const int last = ui.getMaxDispIndex();
    boost::shared_lock<boost::shared_mutex> lock(m_lhbLock);
    if (first < 0 || last < 0 || m_lhbKey.isEmpty() || first > last || m_lhbRecords.isEmpty())
        return;
    const QRect plot(0, 2, ui.plotWidth, rect.height() - 3);
    const double spacing = double(plot.width()) / double(ui.getEndStartSub(last, first) + 1);
    const int hw = std::max(0, int(spacing * 0.35));
    const int t1 = ui.getTimeTagByIndex(first);
    const int t2 = ui.getTimeTagByIndex(last);
    if (t1 == -1 || t2 == -1)
        return;
    for (auto it = m_lhbRecords.constBegin(); it != m_lhbRecords.constEnd() && it.key() / 1000 <= t2; ++it) {
        if (it.key() / 1000 < t1)
            continue;
        const int bar = ui.getIndexByTimeTag(int(it.key() / 1000));
        if (bar < 0 || ui.getTimeTagByIndex(bar) != int(it.key() / 1000))
            continue; // a day that is not a bar of the chart
        const int x = int(plot.left() + hw + (bar - first) * spacing + 0.5);
        m_rankTable[x] += it.value();
        auto& byBar = m_rankByBar[bar];
        byBar.first = x;
        byBar.second += it.value();
    }
}

void CKLineData::drawDot(QPainter& painter, const QRect& rect)
{
    if (!m_pUiParam || m_paneRole != 0)
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.getMinDispIndex();
    const int last = ui.getMaxDispIndex();
    boost::shared_lock<boost::shared_mutex> lock(m_lhbLock);
    if (first < 0 || last < 0 || m_lhbKey.isEmpty() || first > last)
        return;
    const QRect plot(0, 2, ui.plotWidth, rect.height() - 3);
    const int span = ui.getEndStartSub(last, first);
    const double spacing = double(plot.width()) / double(span + 1);
    const int hw = span == 0 ? rect.width() / 10 : std::max(0, int(spacing * 0.35));
    const int t1 = ui.getTimeTagByIndex(first);
    const int t2 = ui.getTimeTagByIndex(last);
    if (t1 == -1 || t2 == -1)
        return;
    // Each diamond is drawn as it is found: nothing is collected per record.
    bool started = false;
    for (auto it = m_lhbRecords.constBegin(); it != m_lhbRecords.constEnd(); ++it) {
        const qint64 t = it.key() / 1000;
        if (t < t1 || t > t2)
            continue;
        const int bar = ui.getIndexByTimeTag(int(t));
        if (bar < 0 || ui.getTimeTagByIndex(bar) != int(t))
            continue;
        const int x = int(plot.left() + hw + (bar - first) * spacing + 0.5);
        if (!started) {
            painter.save();
            const QColor rise = colour("clr_global_rise");
            painter.setPen(QPen(rise, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            painter.setBrush(rise);
            started = true;
        }
        const QPoint diamond[4] = {QPoint(x - 3, 3), QPoint(x, 0), QPoint(x + 3, 3), QPoint(x, 6)};
        painter.drawPolygon(diamond, 4);
    }
    if (started)
        painter.restore();
}

bool CKLineData::getRankListAt(QPoint& point, RankRecords& records) const
{
    for (auto it = m_rankTable.constBegin(); it != m_rankTable.constEnd(); ++it) {
        if (QRect(it.key(), 0, 6, 8).contains(point)) {
            records = it.value();
            point = QPoint(it.key(), 0);
            return true;
        }
    }
    return false;
}

bool CKLineData::getRankListOfBar(int bar, RankRecords& records, int* markX) const
{
    const auto it = m_rankByBar.constFind(bar);
    if (it == m_rankByBar.constEnd() || it->second.isEmpty())
        return false;
    records = it->second;
    if (markX)
        *markX = it->first;
    return true;
}

// ---------------------------------------------------------------------------
// Superposed instruments

float CKLineData::getSuperposScale(const CFormulaKey& key) const
{
    const auto entry = m_data.constFind(key);
    if (entry == m_data.constEnd() || !m_pUiParam)
        return 1.0f;
    const QString base = baseKey();
    const RPCFormulaResultCache* main = nullptr;
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it)
        if (isMainGraph(it.key().formula) && it.key().stock.startsWith(base)) {
            main = &it.value();
            break;
        }
    if (!main)
        return 1.0f;
    const std::vector<double>* m = main->data(0, 0);
    const std::vector<double>* s = entry->data(0, 0);
    const int f = m_pUiParam->getMinDispIndex();
    if (!m || !s || f < 0 || int(m->size()) <= f || int(s->size()) <= f)
        return 1.0f;
    if (!entry->barValid(f)) {
        const int last = m_pUiParam->getMaxDispIndex();
        for (int i = f; i < last; ++i)
            if (i < int(m->size()) && i < int(s->size()) && entry->barValid(i) && (*s)[size_t(i)] != 0.0)
                return float((*m)[size_t(i)] / (*s)[size_t(i)]);
        return 1.0f;
    }
    if (std::fabs((*s)[size_t(f)]) > 0.00001)
        return float((*m)[size_t(f)] / (*s)[size_t(f)]);
    return 1.0f;
}

void CKLineData::adjustSuperposDrawRegion(QPoint& window, const RPCFormulaResultCache& cache) const
{
    if (!m_pUiParam)
        return;
    const QVector<qint64>& tags = m_pUiParam->m_tradeDateList;
    const int a = window.x();
    const int b = window.y();
    if (a < 0 || b < 0 || a >= tags.size() || b >= tags.size())
        return;
    const qint64 t1 = tags.at(a) * 1000;
    const qint64 t2 = tags.at(b) * 1000;
    const int n = cache.barCount();
    // Bars are in time order: bisect for the first bar not before each time.
    auto lowerBound = [&](qint64 t) {
        int lo = 0;
        int hi = n;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (cache.barTimeMs(mid) < t)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    };
    const int i1 = lowerBound(t1);
    const int i2 = lowerBound(t2);
    if (i1 < n && i2 < n)
        window = QPoint(i1, i2);
}

// ---------------------------------------------------------------------------
// Drawing passes

void CKLineData::drawSeries(QPainter& painter, const QRect& rect, int fromX)
{
    if (!m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.getMinDispIndex();
    const int last = ui.getMaxDispIndex();
    if (m_drawStyle)
        m_drawStyle->resetMarks();
    if (first > last)
        return;
    drawAxis(painter, rect, fromX);
    const QRect plot(0, 2, ui.plotWidth, rect.height() - 3);
    if (m_replay && !m_data.isEmpty()) {
        const RPCFormulaResultCache& lastEntry = (m_data.constEnd() - 1).value();
        if (lastEntry.barCount() > 0) {
            const qint64 t = lastEntry.barTimeMs(lastEntry.barCount() - 1) / 1000;
            m_lastDrawnTime = QDateTime::fromSecsSinceEpoch(t).time();
            deliverEvent(3239, 1, int(t), QString(), nullptr);
        }
    }
    const QString base = baseKey();
    const bool sweeps = ui.formulaBase != nullptr;
    for (auto it = m_data.begin(); it != m_data.end(); ++it) {
        if (!m_maxMinMap.contains(it.key()))
            continue;
        if (!sweeps || it.key().stock != base)
            drawIndex(painter, plot, first, last, it.key(), it.value(), fromX);
    }
    if (!sweeps)
        return;
    for (auto it = m_data.begin(); it != m_data.end(); ++it)
        if (m_maxMinMap.contains(it.key()) && it.key().stock == base)
            drawIndex(painter, plot, first, last, it.key(), it.value(), fromX);
}

bool CKLineData::axisLabelFormat(AxisLabelFormat& format) const
{
    CFormulaKey key;
    if (!firstBaseEntry(&key) || !m_pUiParam)
        return false;
    const CKLineUiParam& ui = *m_pUiParam;
    format.configured = -1;
    if (m_paneRole != 0) {
        int d = -1;
        const auto detail = CFormulaOperateManager::getFormula(key.formula);
        if (detail && detail->outputDecimals(0, d) && d >= 0)
            format.configured = d;
    }
    // Reference of the percentage labels: the first visible close.
    double reference = ui.getCurrLastClose();
    const int first = ui.getMinDispIndex();
    int closeColumn = 0;
    if (const RPCFormulaResultCache* main = mainGraphResult(&closeColumn)) {
        const std::vector<double>* v = main->data(0, closeColumn);
        if (v && first >= 0 && int(v->size()) > first)
            reference = (*v)[size_t(first)];
    }
    format.percent = !ui.addStockList.isEmpty() && !ui.tickGraph && m_paneRole == 0 &&
                     std::fabs(reference) > 0.00001 && reference < DBL_MAX;
    format.reference = format.percent ? reference : 0.0;
    format.tickDecimals = tickDigits(ui.getCurrTick());
    return true;
}

QStringList CKLineData::formatAxisLabels(const AxisLabelFormat& format, const QFontMetrics* fm, int width) const
{
    QStringList labels;
    labels.reserve(m_axisTicks.size());
    for (const auto& t : m_axisTicks) {
        const int decimals =
            format.configured >= 0 ? format.configured : getGraphShowTick(t.first, format.tickDecimals);
        double value = t.first;
        int flags = 0x40000;
        if (format.percent) {
            value = (t.first - format.reference) / format.reference;
            flags = 0x10000;
        }
        labels << (fm ? KW::formatDoubleNumberToFit(value, decimals, flags, *fm, width,
                                                    QString::fromUtf8(kInvalid))
                      : KW::formatDoubleNumber(value, decimals, flags, false, QString::fromUtf8(kInvalid)));
    }
    return labels;
}

QStringList CKLineData::axisLabelTexts(const QFontMetrics* fm, int width) const
{
    AxisLabelFormat format;
    if (!axisLabelFormat(format))
        return QStringList();
    return formatAxisLabels(format, fm, width);
}

void CKLineData::drawAxis(QPainter& painter, const QRect& rect, int fromX)
{
    if (m_axisTicks.isEmpty() || !m_pUiParam)
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    KW::CUiResource* res = KW::CUiResource::instance();
    const QFont font = res->getFont(QStringLiteral("fnt_kline_graph_axis_text"));
    QPen grid(res->getColor(QStringLiteral("ic_clr_kline_axis")), 1);
    grid.setDashPattern({1.0, 3.0});
    const QPen frame(res->getColor(QStringLiteral("ic_clr_kline_graph_frame_border")), 1, Qt::SolidLine,
                     Qt::SquareCap, Qt::BevelJoin);
    const QPen text(res->getColor(QStringLiteral("ic_clr_kline_axis_text")), 1, Qt::SolidLine, Qt::SquareCap,
                    Qt::BevelJoin);
    const int ax = rect.width() - ui.axisWidth;
    const QFontMetrics metrics(font);
    const int fh = metrics.height();
    painter.save();
    painter.setFont(font);
    painter.setPen(frame);
    painter.drawLine(ax, 0, ax, rect.height() - 1);

    // Grid and tick marks batched per pen, from one buffer kept between
    // paints; labels after.
    const int ticks = m_axisTicks.size();
    m_axisLines.clear();
    // A clipped redraw strokes its part of the grid only, from a whole dash
    // period so the dots stay where the whole line puts them.
    const int gridPeriod = 4; // the dash pattern's 1 + 3 pixels
    const int gridFrom = fromX == INT_MIN ? 0 : std::max(0, std::min(fromX, ax) / gridPeriod * gridPeriod);
    for (const auto& t : m_axisTicks)
        m_axisLines.append(QLine(gridFrom, t.second, ax, t.second));
    for (const auto& t : m_axisTicks)
        m_axisLines.append(QLine(ax, t.second, ax + 5, t.second));
    painter.setPen(grid);
    painter.drawLines(m_axisLines.constData(), ticks);
    painter.setPen(frame);
    painter.drawLines(m_axisLines.constData() + ticks, ticks);
    // Labels start 7 pixels right of the axis line and must end at the
    // pane's edge: a wide value drops decimals rather than its unit. Fitting
    // measures text, so the labels are formatted again only when what they
    // are made of changed.
    const int labelWidth = std::max(0, rect.width() - ax - 7);
    AxisLabelCache& cache = m_axisLabelCache;
    AxisLabelFormat format;
    if (!axisLabelFormat(format)) {
        cache.labels.clear();
        cache.width = -1;
    } else if (cache.width != labelWidth || !(cache.format == format) || cache.ticks != m_axisTicks ||
               cache.font != font) {
        cache.labels = formatAxisLabels(format, &metrics, labelWidth);
        // A copy of its own: sharing m_axisTicks would make calcYAxis's
        // clear() copy it on every refresh.
        cache.ticks.clear();
        for (const auto& t : m_axisTicks)
            cache.ticks.append(t);
        cache.format = format;
        cache.font = font;
        cache.width = labelWidth;
    }
    const QStringList& labels = cache.labels;
    painter.setPen(text);
    // A label at the pane's edge is moved inside it; one that would then
    // overlap its neighbour is left out.
    m_axisLabelRects.clear();
    const int lowest = std::max(0, rect.height() - fh);
    for (int i = 0; i < labels.size() && i < ticks; ++i) {
        const int top = std::min(std::max(m_axisTicks.at(i).second - fh / 2, 0), lowest);
        const QRect box(ax + 7, top, labelWidth, fh);
        if (!m_axisLabelRects.isEmpty() && m_axisLabelRects.last().intersects(box))
            continue;
        m_axisTexts.drawTopLeft(painter, font, box, labels.at(i));
        m_axisLabelRects.append(box);
    }
    painter.restore();
}

void CKLineData::drawIndex(QPainter& painter, const QRect& plot, int first, int last, const CFormulaKey& key,
                           RPCFormulaResultCache& cache, int fromX)
{
    if (!m_pUiParam || cache.barCount() == 0 || cache.outputCount() == 0)
        return;
    if (!m_drawStyle)
        m_drawStyle.reset(new CDrawStyle);
    CDrawStyle& style = *m_drawStyle;
    CKLineUiParam& ui = *m_pUiParam;
    const int span = ui.getEndStartSub(last, first);
    const double spacing = double(ui.plotWidth) / double(span + 1);
    int hw = std::max(0, int(spacing * 0.35));
    const QString base = baseKey();
    const bool superposed = !key.stock.contains(base);
    const double scale = superposed ? getSuperposScale(key) : 1.0;
    const bool tick = isTickFormula(key.formula);
    if (!m_maxMinMap.contains(key))
        m_maxMinMap.insert(key, qMakePair(0.0, 0.0));
    const QPair<double, double> range = m_maxMinMap.value(key);
    const int bars = cache.barCount();

    // Where the mapped window sits among the visible slots: a series aligned
    // on its newest bar starts (bars - tags) bars later than the chart.
    const QPoint w = getSeriesRegion(QPoint(first, last), bars, key);
    const auto detail = CFormulaOperateManager::getFormula(key.formula);
    const bool aligned = !detail || detail->getAlignment() >= 1;
    const int shift = aligned ? int(ui.m_tradeDateList.size()) - bars : 0;
    const int offset = w.x() + shift - first;
    QVector<QPair<double, double>>& drawn = m_drawnRanges[key];
    drawn.fill(range, cache.outputCount());

    for (int i = 0; i < cache.outputCount(); ++i) {
        if (first == last) {
            hw = ui.plotWidth / 10;
            if (CAppConfig::isClientType(3))
                hw = std::min(hw, 30);
        }
        int code = cache.styleCode(i);
        if (tick) {
            if (i > 0)
                break;
            if (code != 102)
                code = 101;
        }
        double rmax = range.first;
        double rmin = range.second;
        if (!IndexBaseData::isNeedYAxis(cache, i, w.x(), w.y()))
            CDrawStyle::calcMaxMin(rmax, rmin, w.x(), w.y(), cache, i);
        drawn[i] = qMakePair(rmax, rmin);
        if (code < 0)
            continue;
        CDrawContext ctx(plot, rmax, rmin, w.x(), w.y(), span, hw, offset);
        if (fromX != INT_MIN && strokesStayNearBar(code, key.formula))
            ctx.strokeFrom = firstStrokedBar(ctx, fromX);
        switch (code) {
        case 0:
        case 11:
            style.drawSimpleLine(painter, ctx, cache, i, Qt::SolidLine, superposed, scale);
            break;
        case 1:
            style.drawCircleDot(painter, ctx, cache, i);
            break;
        case 2:
            style.drawColorStick(painter, ctx, cache, i, Qt::SolidLine);
            break;
        case 4:
        case 8:
            style.drawSimpleLine(painter, ctx, cache, i, Qt::DotLine);
            break;
        case 5:
            style.drawSimpleLine(painter, ctx, cache, i, Qt::DashDotLine);
            break;
        case 6:
            style.drawSimpleLine(painter, CDrawContext(plot, rmax, rmin, first, last, span, hw), cache, i,
                                 Qt::DotLine);
            break;
        case 10: {
            const double prevClose = getDetailLastClose(ui.curStock);
            if (key.formula.compare(QLatin1String("TICKVOL"), Qt::CaseInsensitive) == 0)
                style.drawTickVolStickNew(painter, ctx, cache, i, prevClose);
            else if (key.formula.contains(QLatin1String("TICKVOL"), Qt::CaseInsensitive))
                style.drawTickVolStick(painter, ctx, cache, i, prevClose);
            else
                style.drawVolStick(painter, ctx, cache, i);
            break;
        }
        case 12: {
            if (key.stock.startsWith(QLatin1String("ED")))
                break;
            QPoint kw(first, last);
            if (superposed)
                adjustSuperposDrawRegion(kw, cache);
            const int decimals = std::max(2, tickDigits(ui.getCurrTick()));
            CDrawContext kctx(plot, rmax, rmin, kw.x(), kw.y(), span, hw);
            if (fromX != INT_MIN)
                kctx.strokeFrom = firstStrokedBar(kctx, fromX);
            style.drawKLine(painter, kctx, cache, i, superposed, scale, decimals);
            if (bars - 1 == last && !superposed) {
                if (cache.columnsOf(i).size() != 4)
                    return;
                drawLatestPrice(painter, i, qMakePair(rmax, rmin), cache.value(i, bars - 1, 3), plot);
            }
            break;
        }
        case 13:
            style.drawText(painter, ctx, cache, i);
            break;
        case 14:
        case 19:
            style.drawVertLine(painter, ctx, cache, i, Qt::SolidLine);
            break;
        case 15:
        case 16:
            style.drawVertLine(painter, ctx, cache, i, Qt::DotLine);
            break;
        case 17:
            style.drawVertLine(painter, ctx, cache, i, Qt::DashDotLine);
            break;
        case 18:
            style.drawVertLine(painter, ctx, cache, i, Qt::DashDotDotLine);
            break;
        case 26:
            style.drawIcon(painter, ctx, QStringLiteral("ic_img_arrow_up"), cache, i);
            break;
        case 28:
            style.drawNumber(painter, ctx, cache, i);
            break;
        case 31:
            style.drawTextEx(painter, ctx, cache, i);
            break;
        case 36:
            style.drawStickKline(painter, ctx, cache, i);
            break;
        case 37:
            style.drawBoolLine(painter, ctx, cache, i, Qt::SolidLine);
            break;
        case 41:
            style.drawSegmentLine(painter, ctx, cache, i);
            break;
        case 43: // the formula language's DRAWLINE
            style.drawLineColumns(painter, ctx, cache, i);
            break;
        case 44: // DRAWBAND, FILLRGN
            style.drawFillBand(painter, ctx, cache, i);
            break;
        case 42:
            style.drawStackVolstick(painter, ctx, cache, i);
            break;
        case 101:
            if (!ui.getCurrKey().isEmpty()) {
                const auto& s = ui.curStock;
                style.drawTick(painter, ctx, cache, i, s ? s->upperLimitPrice : DBL_MAX,
                               s ? s->lowerLimitPrice : DBL_MAX);
            }
            break;
        case 102:
            style.drawHorizontalBrokenLine(painter, CDrawContext(plot, rmax, rmin, first, last, span, hw), cache,
                                           i, true);
            break;
        default:
            break; // codes without a drawing
        }
    }
}

void CKLineData::drawLatestPrice(QPainter& painter, int, const QPair<double, double>& range, double price,
                                 const QRect& plot)
{
    if (!m_pUiParam || !CDrawStyle::isValue(price))
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const CDrawContext ctx(plot, range.first, range.second, 0, 0, 0, 0);
    int y = ctx.y(price);
    y = std::max(plot.top() + 7, std::min(y, plot.bottom() - 7));
    const int W = ui.plotWidth;
    const int aw = ui.axisWidth;
    // A price label the tag would half cover is taken away: two numbers on
    // top of each other read as neither.
    const QRect tagBox(W, y - 7, aw, 15);
    for (const QRect& label : qAsConst(m_axisLabelRects))
        if (label.intersects(tagBox))
            painter.fillRect(label, colour("ic_clr_graph_kline_bg"));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour("ic_clr_kline_latest_price_text_bg"));
    const QPoint tag[5] = {QPoint(W, y), QPoint(W + 5, y - 7), QPoint(W + aw, y - 7), QPoint(W + aw, y + 7),
                           QPoint(W + 5, y + 7)};
    painter.drawPolygon(tag, 5);
    painter.restore();
    painter.save();
    painter.setPen(colour("ic_clr_kline_latestprice"));
    painter.setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_kline_graph_axis_text")));
    const int decimals = std::max(2, tickDigits(ui.getCurrTick()));
    const QFontMetrics metrics(painter.font());
    painter.drawText(
        QRect(plot.right(), y - 7, aw, 14), Qt::AlignLeft | Qt::AlignHCenter | Qt::AlignVCenter,
        KW::formatDoubleNumberToFit(price, decimals, 0, metrics, aw - 6, QString::fromUtf8(kInvalid)));
    painter.restore();
}

// ---------------------------------------------------------------------------
// Values for the pane's crosshair and labels

bool CKLineData::drawnRange(const CFormulaKey& key, int output, QPair<double, double>& range) const
{
    const auto it = m_drawnRanges.constFind(key);
    if (it == m_drawnRanges.constEnd() || output < 0 || output >= it->size())
        return false;
    range = it->at(output);
    return true;
}

bool CKLineData::paneRange(double& max, double& min) const
{
    CFormulaKey key;
    if (!firstBaseEntry(&key) || !m_maxMinMap.contains(key))
        return false;
    max = m_maxMinMap.value(key).first;
    min = m_maxMinMap.value(key).second;
    return true;
}

double CKLineData::valueAtIndex(int index) const
{
    CFormulaKey key;
    const RPCFormulaResultCache* entry = firstBaseEntry(&key);
    if (!entry || index < 0)
        return std::nan("");
    const QPoint w = m_pUiParam ? getSeriesRegion(QPoint(index, index), entry->barCount(), key) : QPoint(index, index);
    const int bar = w.x();
    if (bar >= entry->barCount())
        return std::nan("");
    const bool price = entry->styleCode(0) == 12 && entry->columnsOf(0).size() == 4;
    const double v = entry->value(0, bar, price ? 3 : 0);
    return CDrawStyle::isValue(v) ? v : std::nan("");
}

double CKLineData::valueAtY(int y, const QRect& rect) const
{
    double max = 0.0;
    double min = 0.0;
    if (!paneRange(max, min) || rect.height() <= 1)
        return std::nan("");
    if (max == min)
        return max;
    return min + double(rect.bottom() - y) * (max - min) / double(rect.bottom() - rect.top());
}

int CKLineData::yOfValue(double value, const QRect& rect) const
{
    double max = 0.0;
    double min = 0.0;
    if (!paneRange(max, min) || !CDrawStyle::isValue(value))
        return INT_MIN;
    return CDrawContext(rect, max, min, 0, 0, 0, 0).y(value);
}

} // namespace TC
