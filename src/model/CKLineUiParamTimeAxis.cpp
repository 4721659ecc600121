// The time axis under the panes: label layout and drawing.
#include <algorithm>
#include <cmath>

#include <QPainter>

#include "model/CKLineUiParam.h"
#include "platform/config/CAppConfig.h"
#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

constexpr qint64 kDay = 86400;
constexpr qint64 kYear = 31536000;
// The first label sits this far right of its bar so it clears the axis start.
constexpr int kFirstLabelInset = 7;
// Room the full date of the first label claims beyond its own x.
constexpr int kFullDateRoom = 60;

const char* const kBackgroundKey = "ic_clr_kline_timeline_background";
const char* const kTextKey = "ic_clr_kline_timeline_text";
const char* const kScaleKey = "ic_clr_timeline_time_scale";
const char* const kFontKey = "fnt_timeline_text_default";

QFont axisFont()
{
    return KW::CUiResource::instance()->getFont(QLatin1String(kFontKey));
}

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// Drops the last label when a new one of higher level lands closer than `gap`.
void yieldToHigher(QVector<CTimeLabel>& labels, int x, int gap, int priority)
{
    if (!labels.isEmpty() && x - labels.last().x < gap && labels.last().priority < priority)
        labels.removeLast();
}

} // namespace

bool CKLineUiParam::isFewDaysWindow(int first, int last, int step) const
{
    QDate reference = getDateByIndex(first);
    int dayChanges = 0;
    for (int i = first + step; i < last; i += step) {
        const QDate d = getDateByIndex(i);
        if (d.year() != reference.year() || d.month() != reference.month())
            return false;
        if (d.day() != reference.day()) {
            reference = d;
            if (++dayChanges >= 3)
                return false;
        }
    }
    return true;
}

QVector<CTimeLabel> CKLineUiParam::layoutTimeLabels(const QRect& rect, const QFontMetrics& fm) const
{
    QVector<CTimeLabel> labels;
    const int first = minDispIndex;
    const int last = maxDispIndex;
    if (first == last || first > last || rect.width() <= 0)
        return labels;

    const int w6 = fm.horizontalAdvance(QStringLiteral("000000"));
    int n = last - first;
    if (CAppConfig::isClientType(3))
        n = std::max(n, 15);
    const double barWidth = double(rect.width()) / double(n + 1);
    const int step = std::max(1, int(std::ceil(double(w6) / barWidth)));
    const bool fewDays = isFewDaysWindow(first, last, step);
    const bool intraday = period < kDay;
    auto xOf = [this, first, last](int bar) { return getXAxisByIndex(bar, first, last); };
    auto clock = [](int minute) {
        return QStringLiteral("%1:%2")
            .arg(minute / 60, 2, 10, QLatin1Char('0'))
            .arg(minute % 60, 2, 10, QLatin1Char('0'));
    };

    // The walk and the labels read dates through the cached offsets.
    auto at = [this](int bar, QDate& date, int& second) { getDateSecondByIndex(bar, date, second); };
    QDate prev;
    // qint64 keeps the walk from overflowing near INT_MAX.
    for (qint64 k = first; k <= last; k += step) {
        const int i = int(k);
        QDate d;
        int second = 0;
        at(i, d, second);
        const int minute = second / 60;
        if (!d.isValid()) {
            prev = d;
            continue;
        }
        if (i == first) {
            CTimeLabel label;
            label.x = xOf(i) + kFirstLabelInset;
            label.date = d;
            label.secondOfDay = second;
            if (intraday) {
                label.text = clock(minute);
                label.priority = CTimeLabel::TimeOfDay;
            } else if (period < kYear) {
                label.text = d.toString(QStringLiteral("dd"));
                label.priority = CTimeLabel::Day;
            } else {
                label.text = d.toString(QStringLiteral("yyyy"));
                label.priority = CTimeLabel::Year;
            }
            labels.append(label);
            prev = d;
            continue;
        }
        if (prev.isValid()) {
            if (d.year() != prev.year()) {
                const int j = findTimeIndex(d.year(), i - step, i, 0);
                if (j >= 0) {
                    const int x = xOf(j);
                    yieldToHigher(labels, x, w6 - 3, CTimeLabel::Year);
                    QDate jd;
                    int js = 0;
                    at(j, jd, js);
                    labels.append({x, d.toString(QStringLiteral("yyyy")), CTimeLabel::Year, jd, js});
                }
                prev = d;
                continue;
            }
            if (d.month() != prev.month() || d.day() != prev.day()) {
                const bool monthChange = d.month() != prev.month();
                const int j = monthChange ? findTimeIndex(d.month(), i - step, i, 1)
                                          : findTimeIndex(d.day(), i - step, i, 2);
                if (j < 0) {
                    prev = d;
                    continue;
                }
                QDate jd;
                int js = 0;
                at(j, jd, js);
                const int x = xOf(j);
                if (monthChange) {
                    yieldToHigher(labels, x, w6, CTimeLabel::Month);
                    labels.append({x, jd.toString(intraday ? QStringLiteral("MM/dd") : QStringLiteral("MM")),
                                   CTimeLabel::Month, jd, js});
                } else {
                    yieldToHigher(labels, x, w6, CTimeLabel::Day);
                    labels.append({x, jd.toString(QStringLiteral("d")), CTimeLabel::Day, jd, js});
                }
                prev = jd;
                continue;
            }
        }
        if (!fewDays)
            continue;
        const QString text = clock(minute);
        const int x = xOf(i);
        if (labels.isEmpty() || (text != labels.last().text && x - labels.last().x >= w6)) {
            labels.append({x, text, CTimeLabel::TimeOfDay, d, second});
            prev = d;
        }
    }

    // A day chart names months and years only; the first label keeps its day.
    if (period == kDay) {
        for (int k = labels.size() - 1; k >= 1; --k)
            if (labels.at(k).priority == CTimeLabel::Day)
                labels.removeAt(k);
    }
    finishFirstLabel(labels);
    return labels;
}

void CKLineUiParam::finishFirstLabel(QVector<CTimeLabel>& labels) const
{
    if (labels.isEmpty())
        return;
    CTimeLabel& head = labels[0];
    head.priority = std::min(labels.last().priority, 4);
    const bool timeNext = labels.size() > 1 && labels.at(1).priority == CTimeLabel::TimeOfDay;
    if (period < kDay && (head.priority == CTimeLabel::TimeOfDay || timeNext)) {
        // An intraday axis opens with the full date; labels under it go.
        head.text = head.date.toString(QStringLiteral("yyyy/MM/dd"));
        const int room = head.x + kFullDateRoom;
        if (labels.size() > 1 && labels.at(1).x - head.x < room)
            labels.removeAt(1);
        if (labels.size() > 2 && labels.at(2).x - labels.at(0).x < room)
            labels.removeAt(2);
    } else {
        head.text = head.date.toString(QStringLiteral("yyyy"));
    }
}

QVector<int> CKLineUiParam::labelsToDraw(const QVector<CTimeLabel>& labels, int w4)
{
    QVector<int> drawn;
    for (int k = 0; k < labels.size(); ++k)
        if (k == 0 || labels.at(k - 1).x + w4 <= labels.at(k).x)
            drawn.append(k);
    return drawn;
}

void CKLineUiParam::drawTimeline(QPainter* painter, QRect& rect)
{
    if (!painter || rect.isEmpty())
        return;
    const QColor background = colour(kBackgroundKey);
    painter->fillRect(rect, background);
    if (minDispIndex == maxDispIndex)
        return;
    const QFont font = axisFont();
    CTimelineCache& c = m_timelineCache;
    const int count = m_tradeDateList.size();
    const bool clientType3 = CAppConfig::isClientType(3);
    // Indexes outside the list read today's date.
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    if (c.todayCheckedMs < 0 || nowMs - c.todayCheckedMs >= 1000 || nowMs < c.todayCheckedMs) {
        c.todayCheckedMs = nowMs;
        c.today = QDate::currentDate();
    }
    const QDate today = c.today;
    const bool same =
        c.times == m_tradeDateList.constData() && c.count == count &&
        (count == 0 || (c.firstTime == m_tradeDateList.first() && c.lastTime == m_tradeDateList.last())) &&
        c.first == minDispIndex && c.last == maxDispIndex && c.period == period &&
        c.optionMode == optionExpectMode && c.clientType3 == clientType3 && c.plotWidth == plotWidth &&
        c.size == rect.size() && c.font == font && c.labelsDate == today;
    const QFontMetrics fm(font);
    if (!same) {
        c.times = m_tradeDateList.constData();
        c.count = count;
        c.firstTime = count ? m_tradeDateList.first() : 0;
        c.lastTime = count ? m_tradeDateList.last() : 0;
        c.first = minDispIndex;
        c.last = maxDispIndex;
        c.period = period;
        c.optionMode = optionExpectMode;
        c.clientType3 = clientType3;
        c.plotWidth = plotWidth;
        c.size = rect.size();
        c.font = font;
        c.labelsDate = today;
        c.labels = layoutTimeLabels(rect, fm);
        c.drawn = labelsToDraw(c.labels, fm.horizontalAdvance(QStringLiteral("0000")));
        c.picture = QPixmap();
    }
    const QColor text = colour(kTextKey);
    const QColor scale = colour(kScaleKey);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    if (c.picture.isNull() || c.background != background || c.text != text || c.scale != scale ||
        c.pixelRatio != ratio) {
        c.background = background;
        c.text = text;
        c.scale = scale;
        c.pixelRatio = ratio;
        c.picture = QPixmap(rect.size() * ratio);
        c.picture.setDevicePixelRatio(ratio);
        c.picture.fill(background);
        QPainter p(&c.picture);
        p.setFont(font);
        const QPen textPen(text);
        const QPen scalePen(scale, 1);
        for (int k : c.drawn) {
            const CTimeLabel& label = c.labels.at(k);
            p.setPen(textPen);
            p.drawText(QPoint(label.x + 2, fm.height() + 3), label.text);
            p.setPen(scalePen);
            p.drawLine(label.x, 0, label.x, 3);
        }
    }
    painter->drawPixmap(rect.topLeft(), c.picture);
}

} // namespace TC
