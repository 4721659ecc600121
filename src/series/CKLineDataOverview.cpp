// The overview strip of the time line: the main series' close curve over the
// whole history (the view model's actual range, the band the strip maps its
// window onto) and the year labels on it.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

#include "model/CKLineUiParam.h"
#include "platform/framework/CUiResource.h"
#include "platform/indexui/CDrawStyle.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// Bars skipped between two samples so the walk costs about one step a pixel.
int sampleStep(int first, int last, int width)
{
    return std::max(1, width > 0 ? (last - first) / width : 1);
}

} // namespace

const RPCFormulaResultCache* CKLineData::mainGraphResult(int* closeColumn) const
{
    const QString base = baseKey();
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it) {
        if (!isMainGraph(it.key().formula) || !it.key().stock.contains(base))
            continue;
        if (closeColumn)
            *closeColumn = it.key().formula.compare(QLatin1String("KLINE"), Qt::CaseInsensitive) == 0 ? 3 : 0;
        return &it.value();
    }
    return nullptr;
}

void CKLineData::drawTimelineOverview(QPainter& painter, const QRect& rect)
{
    if (rect.isEmpty())
        return;
    painter.fillRect(rect, colour("ic_clr_timeline_overview_background"));
    if (!m_pUiParam)
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.actualStart;
    const int last = ui.actualEnd;
    if (last < 1 || first < 0 || first > last)
        return;
    int closeColumn = 0;
    const RPCFormulaResultCache* main = mainGraphResult(&closeColumn);
    if (!main)
        return;
    const RPCFormulaResultCache& cache = *main;
    double max = 0.0;
    double min = 0.0;
    if (!CDrawStyle::calcMaxMin(max, min, first, last, cache, true, false, 1.0, false) ||
        cache.outputCount() < 1)
        return;
    const std::vector<double>* values = cache.data(0, closeColumn);
    if (!values)
        return;

    const double left = rect.left();
    const double bottom = rect.top() + rect.height();
    const double spacing = double(rect.width()) / double(ui.getEndStartSub(last, first) + 1);
    const double range = max - min;
    const int step = sampleStep(first, last, rect.width());
    const int bars = std::min(cache.barCount(), int(values->size()));
    QPainterPath path;
    bool started = false;
    double lastX = left;
    for (qint64 i = first; i <= last && i < bars; i += step) {
        const double v = (*values)[size_t(i)];
        if (!cache.barValid(int(i)) || v >= DBL_MAX || !std::isfinite(v))
            continue;
        // A flat history has no height to spread over: it runs mid-strip.
        const double y =
            range > 0.0 ? bottom - (v - min) * rect.height() / range : bottom - rect.height() / 2.0;
        const QPointF pt(left + double(i - first) * spacing, y);
        if (!started) {
            path.moveTo(pt);
            started = true;
        } else {
            path.lineTo(pt);
        }
        lastX = pt.x();
    }
    if (started) {
        path.lineTo(lastX, bottom);
        path.lineTo(left, bottom);
        path.closeSubpath();
        painter.save();
        painter.setClipRect(rect);
        painter.setPen(QPen(colour("ic_clr_timeline_overview_border"), 1));
        painter.setBrush(colour("ic_clr_timeline_overview_content"));
        painter.drawPath(path);
        painter.restore();
    }
    drawYearLabels(painter, rect);
}

void CKLineData::drawYearLabels(QPainter& painter, const QRect& rect)
{
    if (!m_pUiParam || rect.isEmpty())
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.actualStart;
    const int last = std::min(ui.actualEnd, ui.getLastIndex() + 1);
    if (first < 0 || first >= last)
        return;
    const double spacing = double(rect.width()) / double(ui.getEndStartSub(ui.actualEnd, first) + 1);
    const int step = sampleStep(first, ui.actualEnd, rect.width());

    painter.save();
    painter.setClipRect(rect);
    painter.setPen(QPen(colour("ic_clr_kline_datetime"), 1));
    painter.setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    int lastYear = 0;
    bool any = false;
    for (qint64 i = first; i < last; i += step) {
        const QDate d = ui.getDateByIndex(int(i));
        if (!d.isValid() || (any && d.year() == lastYear))
            continue;
        const int x = any ? int(double(i - first) * spacing + rect.left() + 5.0) : rect.left() + 5;
        painter.drawText(QRect(x, rect.top(), rect.width(), rect.height()), flags, QString::number(d.year()));
        lastYear = d.year();
        any = true;
    }
    painter.restore();
}

} // namespace TC
