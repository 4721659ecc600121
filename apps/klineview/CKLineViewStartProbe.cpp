#include "CKLineViewStartProbe.h"

#include <QApplication>
#include <QEvent>

#include "CKLineViewSnapshot.h"
#include "kline/CKLineMainWidget.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/QLLog.h"

namespace TC {

namespace {
QElapsedTimer& processClock()
{
    static QElapsedTimer timer;
    return timer;
}
} // namespace

void CKLineViewStartProbe::markProcessStart()
{
    processClock().start();
}

qint64 CKLineViewStartProbe::sinceStart()
{
    return processClock().isValid() ? processClock().elapsed() : -1;
}

CKLineViewStartProbe::CKLineViewStartProbe(CKLineMainWidget* chart, QObject* parent)
    : QObject(parent), m_chart(chart)
{
    // The panes are created and replaced as the layout applies: watching the
    // application catches whichever pane paints first.
    qApp->installEventFilter(this);
    m_watching = true;
}

CKLineViewStartProbe::~CKLineViewStartProbe()
{
    if (m_watching)
        qApp->removeEventFilter(this);
}

bool CKLineViewStartProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint || !qobject_cast<CKLineGraphWidget*>(watched))
        return false;
    const qint64 now = sinceStart();
    if (m_firstFrame < 0) {
        m_firstFrame = now;
        QLLOG_INFO(qlog::kStdLogger, "first frame %1% ms after start", m_firstFrame);
    }
    // The pane paints after this filter returns; data that is there now is
    // in this frame.
    if (m_dataFrame < 0 && CKLineViewSnapshot::chartHasData(m_chart)) {
        m_dataFrame = now;
        QLLOG_INFO(qlog::kStdLogger, "first frame with the chart's data %1% ms after start", m_dataFrame);
        qApp->removeEventFilter(this);
        m_watching = false;
    }
    return false;
}

} // namespace TC
