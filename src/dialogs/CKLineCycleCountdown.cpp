#include "dialogs/CKLineCycleCountdown.h"

#include <QFontMetrics>
#include <QPainter>

#include "platform/formula/service/KelvDataSource.h"
#include "platform/framework/CUiResource.h"

namespace TC {

CKLineCycleCountdown::CKLineCycleCountdown(QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("highlight_widget"), false, parent),
      m_clock([] { return QDateTime::currentDateTime(); })
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

void CKLineCycleCountdown::setClock(std::function<QDateTime()> clock)
{
    if (clock)
        m_clock = std::move(clock);
}

void CKLineCycleCountdown::recompute()
{
    const QTime now = m_clock().time();
    const int mm = now.minute();
    const int ss = now.second();
    int minutes = 0;
    switch (m_period) {
    case 60:
        m_remaining = 60 - ss;
        show();
        return;
    case 300:
        minutes = 5;
        break;
    case 900:
        minutes = 15;
        break;
    case 1800:
        minutes = 30;
        break;
    case 3600:
        minutes = 60;
        break;
    default:
        m_timer.stop();
        hide();
        return;
    }
    m_remaining = (minutes - mm % minutes) * 60 - ss;
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
}

void CKLineCycleCountdown::start(int intervalMs)
{
    m_timer.start(intervalMs);
}

void CKLineCycleCountdown::stop()
{
    m_timer.stop();
}

void CKLineCycleCountdown::slotTimeout()
{
    if (m_remaining < 1) {
        recompute();
        update();
        return;
    }
    if (m_remaining % 10 == 0)
        recompute();
    m_remaining -= 1;
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
