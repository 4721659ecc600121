#include "dialogs/CKLineProgressWidget.h"

#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace TC {

CKLineProgressWidget::CKLineProgressWidget(QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("realtime_progress_widget"), false, parent)
{
}

void CKLineProgressWidget::setTotal(int total)
{
    m_total = total;
    update();
}

void CKLineProgressWidget::setFinished(int finished)
{
    m_finished = finished;
    update();
}

int CKLineProgressWidget::barWidth() const
{
    if (m_total == 0 || m_finished == m_total)
        return width();
    return int(double(m_finished) * rect().right() / m_total + 0.5);
}

void CKLineProgressWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const KW::CUiResource* res = KW::CUiResource::instance();
    const QColor bar = res->getColor(QStringLiteral("clr_task_progress_background"));
    const QRect r = rect();
    if (m_total != 0 && m_finished != m_total) {
        QFont font = res->getFont(QStringLiteral("fnt_default_normal"));
        font.setWeight(75);
        painter.setFont(font);
        painter.setPen(res->getColor(QStringLiteral("clr_text_default")));
        const QString text = QStringLiteral("%1/%2").arg(m_finished).arg(m_total);
        const int x = r.left() + (r.width() - painter.fontMetrics().horizontalAdvance(text)) / 2;
        painter.drawText(x, r.bottom() - 9, text);
    }
    painter.fillRect(QRect(r.left(), r.bottom() - kBarHeight + 1, barWidth(), kBarHeight), bar);
}

} // namespace TC
