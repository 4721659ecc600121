#include "dialogs/CKLineOrderDialog.h"

#include <QVBoxLayout>

#include "dialogs/CLinkageRecordWindows.h"
#include "platform/framework/CHpfDataTable.h"

namespace TC {

CKLineOrderDialog::CKLineOrderDialog(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("kline_order_dialog"))
{
    setTitle(QStringLiteral("委托明细"));
    setButtonsVisible(false, false);
    m_table = new CHpfDataTable(kColumnCount, kTableId, this);
    auto* layout = new QVBoxLayout(contentWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    resize(820, 360);
    CLinkageRecordWindows::add(this);
}

CKLineOrderDialog::~CKLineOrderDialog()
{
    CLinkageRecordWindows::remove(this);
}

void CKLineOrderDialog::setData(const std::vector<std::shared_ptr<qlservice::COrderDetail>>& records)
{
    m_table->updateData(std::vector<std::shared_ptr<qlservice::IData>>(records.begin(), records.end()), true);
    m_table->adjustVisibleRowsColumnWidth();
}

void CKLineOrderDialog::showEvent(QShowEvent* event)
{
    KW::CCommonDialog::showEvent(event);
    CLinkageRecordWindows::hideOthers(this);
}

} // namespace TC
