#include "platform/framework/CMessageTipWidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace KW {

CMessageTipWidget::CMessageTipWidget(QWidget* parent)
    : CBaseWidget(QStringLiteral("message_tip_widget"), false, parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void CMessageTipWidget::setText(const QString& text)
{
    m_text = text;
    update();
}

void CMessageTipWidget::themeChanged()
{
    CBaseWidget::themeChanged();
    update();
}

void CMessageTipWidget::paintEvent(QPaintEvent*)
{
    CUiResource* res = CUiResource::instance();
    QPainter p(this);
    p.fillRect(rect(), res->getColor(QStringLiteral("clr_title_background")));
    p.setPen(res->getColor(QStringLiteral("clr_dialog_border")));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(res->getColor(QStringLiteral("clr_title_text")));
    p.setFont(res->getFont(QStringLiteral("fnt_default_normal")));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_text);
}

void CMessageTipWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit sigMouseDoubleClick();
    event->accept();
}

} // namespace KW
