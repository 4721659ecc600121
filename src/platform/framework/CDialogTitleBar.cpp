#include "platform/framework/CDialogTitleBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include "platform/framework/CUiResource.h"

namespace KW {

CDialogTitleBar::CDialogTitleBar(QWidget* parent)
    : CBaseWidget(QStringLiteral("custom_dialog_title"), false, parent)
{
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("custom_dialog_title_text"));
    m_closeButton = new QToolButton(this);
    m_closeButton->setObjectName(QStringLiteral("custom_dialog_close"));
    m_closeButton->setAutoRaise(true);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    m_closeButton->setToolTip(QStringLiteral("关闭"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 4, 0);
    layout->setSpacing(4);
    layout->addWidget(m_titleLabel, 1);
    layout->addWidget(m_closeButton);

    connect(m_closeButton, &QToolButton::clicked, this, &CDialogTitleBar::closeClicked);
    applyTheme();
}

void CDialogTitleBar::applyTheme()
{
    CUiResource* res = CUiResource::instance();
    const int h = res->getSize(QStringLiteral("siz_title_height"));
    setFixedHeight(h);
    m_titleLabel->setFont(res->getFont(QStringLiteral("fnt_dialog_title")));
    QPalette pal = m_titleLabel->palette();
    pal.setColor(QPalette::WindowText, res->getColor(QStringLiteral("clr_title_text")));
    m_titleLabel->setPalette(pal);

    const QPixmap close = res->getPixmap(QStringLiteral("img_btn_close"));
    m_closeButton->setIcon(QIcon(close));
    m_closeButton->setIconSize(close.size());
    m_closeButton->setFixedSize(h - 4, h - 4);
    m_closeButton->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"
                                                "QToolButton:hover { background: %1; }")
                                     .arg(res->getColor(QStringLiteral("clr_title_button_hover")).name()));
}

void CDialogTitleBar::themeChanged()
{
    applyTheme();
    CBaseWidget::themeChanged();
}

void CDialogTitleBar::setTitle(const QString& title)
{
    m_titleLabel->setText(title);
}

QString CDialogTitleBar::title() const
{
    return m_titleLabel->text();
}

void CDialogTitleBar::setCloseButtonVisible(bool visible)
{
    m_closeButton->setVisible(visible);
}

void CDialogTitleBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), CUiResource::instance()->getColor(QStringLiteral("clr_title_background")));
}

void CDialogTitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPos() - window()->frameGeometry().topLeft();
        event->accept();
        return;
    }
    CBaseWidget::mousePressEvent(event);
}

void CDialogTitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        window()->move(event->globalPos() - m_dragOffset);
        event->accept();
        return;
    }
    CBaseWidget::mouseMoveEvent(event);
}

void CDialogTitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
        return;
    }
    CBaseWidget::mouseReleaseEvent(event);
}

} // namespace KW
