#include "platform/framework/CCustomDialog.h"

#include <QPainter>
#include <QVBoxLayout>

#include "platform/framework/CDialogTitleBar.h"
#include "platform/framework/CUiResource.h"

namespace KW {

CCustomDialog::CCustomDialog(QWidget* parent, const QString& name) : CBaseDialog(parent, name)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    m_titleBar = new CDialogTitleBar(this);
    m_body = new QWidget(this);
    m_body->setObjectName(QStringLiteral("custom_dialog_body"));

    // One pixel of margin leaves room for the border painted below.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(m_titleBar);
    layout->addWidget(m_body, 1);

    connect(this, &QWidget::windowTitleChanged, m_titleBar, &CDialogTitleBar::setTitle);
    connect(m_titleBar, &CDialogTitleBar::closeClicked, this, &QDialog::reject);
}

void CCustomDialog::setCloseButtonVisible(bool visible)
{
    m_titleBar->setCloseButtonVisible(visible);
}

void CCustomDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    CUiResource* res = CUiResource::instance();
    p.fillRect(rect(), res->getColor(QStringLiteral("clr_window_background")));
    p.setPen(res->getColor(QStringLiteral("clr_dialog_border")));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace KW
