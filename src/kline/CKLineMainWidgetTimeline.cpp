// The main widget's side of the time-line strip: its two drawings and the
// text of the cursor box.
#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QRect>
#include <QTime>

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
    // Through the cached UTC offsets: a QDateTime in local time would look
    // the zone up on every cursor move.
    QDate date;
    int second = 0;
    m_uiParam->getDateSecondByIndex(index, date, second);
    const QTime time = QTime::fromMSecsSinceStartOfDay(second * 1000);
    const QString day = date.toString(QStringLiteral("yyyy/MM/dd"));
    QString text;
    if (period == 0) {
        text = day + QLatin1Char(' ')
               + time.toString(m_replay ? QStringLiteral("hh:mm:ss.zzz") : QStringLiteral("hh:mm:ss"));
    } else if ((period >= 60 && period <= 3600) || period == 11 || period == 13) {
        text = day + QLatin1Char(' ') + time.toString(QStringLiteral("hh:mm"));
    } else {
        // The weekday in the terminal's language (周一 ...), whatever the
        // system's locale: the chart's texts are Chinese throughout.
        static const QLocale chinese(QLocale::Chinese, QLocale::China);
        text = day + chinese.dayName(date.dayOfWeek(), QLocale::ShortFormat);
    }
    tip = {index, tag, period, m_replay, text};
    return text;
}

} // namespace TC
