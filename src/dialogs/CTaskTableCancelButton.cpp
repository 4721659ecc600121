#include "dialogs/CTaskTableCancelButton.h"

#include <QMessageBox>

#include "platform/framework/CMessageBox.h"
#include "platform/trading/CLinkageManager.h"

namespace TC {

CTaskTableCancelButton::CTaskTableCancelButton(QWidget* parent)
    : KW::CPushButton(QStringLiteral("撤销"), -1, parent)
{
    setObjectName(QStringLiteral("task_cancel_button"));
    setFixedSize(40, 16);
    setFocusPolicy(Qt::NoFocus);
    const QString enabled = QStringLiteral("clr_task_op_button_text_enable");
    setTextColorKeys({enabled, enabled, enabled, QStringLiteral("clr_task_op_button_text_disable")});
    connect(this, &QPushButton::clicked, this, &CTaskTableCancelButton::slotCancelTask);
}

void CTaskTableCancelButton::setValue(int a, int b)
{
    m_a = a;
    m_b = b;
}

void CTaskTableCancelButton::slotCancelTask()
{
    if (KW::CMessageBox::question(QStringLiteral("提示"), QStringLiteral("您确定要撤销任务?"), this) !=
        QMessageBox::Yes)
        return;
    if (CLinkageManager::instance()->cancelTask(m_a, QStringLiteral("%1-%2").arg(m_b).arg(m_a)))
        setEnabled(false);
}

} // namespace TC
