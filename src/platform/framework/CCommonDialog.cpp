#include "platform/framework/CCommonDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

namespace KW {

CCommonDialog::CCommonDialog(QWidget* parent, const QString& name) : CCustomDialog(parent, name)
{
    m_content = new QWidget(body());
    m_content->setObjectName(QStringLiteral("common_dialog_content"));
    m_buttonRow = new QWidget(body());
    m_okButton = new QPushButton(QStringLiteral("确定"), m_buttonRow);
    m_okButton->setObjectName(QStringLiteral("common_dialog_ok"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("取消"), m_buttonRow);
    m_cancelButton->setObjectName(QStringLiteral("common_dialog_cancel"));

    auto* row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(m_okButton);
    row->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_content, 1);
    layout->addWidget(m_buttonRow);

    connect(m_okButton, &QPushButton::clicked, this, &CCommonDialog::slotOk);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    applyTheme();
}

void CCommonDialog::applyTheme()
{
    CUiResource* res = CUiResource::instance();
    const QString style = CStyleSheetCenter::getStyle(CStyleSheetCenter::Button, m_buttonRow);
    for (QPushButton* b : {m_okButton, m_cancelButton}) {
        b->setStyleSheet(style);
        b->setFixedSize(res->getSize(QStringLiteral("siz_button_width")),
                        res->getSize(QStringLiteral("siz_button_height")));
    }
}

void CCommonDialog::themeChanged()
{
    applyTheme();
    CCustomDialog::themeChanged();
}

void CCommonDialog::setButtonsVisible(bool ok, bool cancel)
{
    m_okButton->setVisible(ok);
    m_cancelButton->setVisible(cancel);
    m_buttonRow->setVisible(ok || cancel);
}

void CCommonDialog::slotOk()
{
    if (acceptInput())
        accept();
}

} // namespace KW
