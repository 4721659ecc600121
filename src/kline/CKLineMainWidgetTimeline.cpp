// The main widget's side of the time-line strip: its two drawings and the
// text of the cursor box.
#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QRect>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineMainWidget::drawTimeline(QPainter* painter, QRect& rect)
{
    if (painter && m_uiParam)
        m_uiParam->drawTimeline(painter, rect);
}

void CKLineMainWidget::drawOverview(QPainter* painter, QRect& rect)
{
    if (!painter || !m_mainPane || !m_mainPane->series())
        return;
    m_mainPane->series()->drawTimelineOverview(*painter, rect);
}

QString CKLineMainWidget::getTimelineTip(int index)
{
    if (!m_uiParam || index < 0 || index >= m_uiParam->m_tradeDateList.size())
        return QString();
    const qint64 period = m_uiParam->period;
    TimelineTip& tip = m_timelineTip;
    const qint64 tag = m_uiParam->m_tradeDateList.at(index);
    if (tip.index == index && tip.tag == tag && tip.period == period && tip.replay == m_replay)
        return tip.text;
    const QDateTime dt = m_uiParam->getDateTimeByIndex(index);
    QString text;
    if (period == 0) {
        text = dt.toString(m_replay ? QStringLiteral("yyyy/MM/dd hh:mm:ss.zzz")
                                    : QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    } else if ((period >= 60 && period <= 3600) || period == 11 || period == 13) {
        text = dt.toString(QStringLiteral("yyyy/MM/dd hh:mm"));
    } else {
        // The weekday in the terminal's language (周一 ...), whatever the
        // system's locale: the chart's texts are Chinese throughout.
        static const QLocale chinese(QLocale::Chinese, QLocale::China);
        text = QStringLiteral("%1%2").arg(dt.toString(QStringLiteral("yyyy/MM/dd")),
                                          chinese.dayName(dt.date().dayOfWeek(), QLocale::ShortFormat));
    }
    tip = {index, tag, period, m_replay, text};
    return text;
}

} // namespace TC
