#include "dialogs/CKLineCycleCountdown.h"

#include <QFontMetrics>
#include <QPainter>

#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/framework/CUiResource.h"
#include "platform/market/CMarketSimulator.h"

namespace TC {

CKLineCycleCountdown::CKLineCycleCountdown(QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("highlight_widget"), false, parent), m_feedClock([]() -> qint64 {
          CMarketSimulator* feed = CFormulaManager::instance()->simulator();
          return feed && feed->isRunning() ? feed->clock() : -1;
      })
{
    resize(50, 60);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
    connect(&m_timer, &QTimer::timeout, this, &CKLineCycleCountdown::slotTimeout);
    themeChanged();
}

void CKLineCycleCountdown::themeChanged()
{
    m_textColor = KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_kline_fall"));
    m_font = KW::CUiResource::instance()->getFont(QStringLiteral("fnt_kline_graph_axis_text"));
    update();
}

void CKLineCycleCountdown::setFeedClock(std::function<qint64()> clock)
{
    if (clock)
        m_feedClock = std::move(clock);
}

int CKLineCycleCountdown::barMinutes(int period)
{
    switch (period) {
    case 60:
        return 1;
    case 300:
        return 5;
    case 900:
        return 15;
    case 1800:
        return 30;
    case 3600:
        return 60;
    default:
        return 0;
    }
}

void CKLineCycleCountdown::recompute()
{
    const int minutes = barMinutes(m_period);
    if (minutes == 0) {
        m_timer.stop();
        m_counting = false;
        m_remaining = 0;
        hide();
        return;
    }
    const qint64 now = m_feedClock();
    m_counting = now >= 0 && isTradeTime(now);
    if (!m_counting) {
        m_remaining = 0;
        hide();
        return;
    }
    const QTime t = QDateTime::fromMSecsSinceEpoch(now).time();
    m_remaining = (minutes - t.minute() % minutes) * 60 - t.second();
    show();
}

void CKLineCycleCountdown::setPeriod(int seconds)
{
    m_period = seconds;
    recompute();
    update();
}

void CKLineCycleCountdown::setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock)
{
    m_stock = std::move(stock);
    recompute();
    update();
}

void CKLineCycleCountdown::start(int intervalMs)
{
    // A period without a countdown keeps the timer stopped.
    if (barMinutes(m_period) > 0)
        m_timer.start(intervalMs);
}

void CKLineCycleCountdown::stop()
{
    m_timer.stop();
}

void CKLineCycleCountdown::slotTimeout()
{
    recompute();
    update();
}

bool CKLineCycleCountdown::isTradeTime(qint64 ms) const
{
    if (!m_stock)
        return false;
    const auto sessions = kelv::getOpenCloseTime(QString::fromStdString(m_stock->market),
                                                 QString::fromStdString(m_stock->code));
    for (const auto& s : sessions)
        if (s.first < ms && ms < s.second)
            return true;
    return false;
}

void CKLineCycleCountdown::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(m_textColor, 1));
    painter.setFont(m_font);
    const int fh = QFontMetrics(m_font).height();
    const QRect box(2, 5 - fh, m_width - 6, 2 * fh);
    painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(m_remaining) + QStringLiteral(" s "));
}

} // namespace TC
