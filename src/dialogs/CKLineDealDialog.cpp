#include "dialogs/CKLineDealDialog.h"

#include <QVBoxLayout>

#include "dialogs/CLinkageRecordWindows.h"
#include "platform/framework/CHpfDataTable.h"

namespace TC {

CKLineDealDialog::CKLineDealDialog(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("kline_deal_dialog"))
{
    setTitle(QStringLiteral("成交明细"));
    setButtonsVisible(false, false);
    m_table = new CHpfDataTable(kColumnCount, kTableId, this);
    auto* layout = new QVBoxLayout(contentWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    resize(820, 360);
    CLinkageRecordWindows::add(this);
}

CKLineDealDialog::~CKLineDealDialog()
{
    CLinkageRecordWindows::remove(this);
}

void CKLineDealDialog::setData(const std::vector<std::shared_ptr<qlservice::CDealDetail>>& records)
{
    m_table->updateData(std::vector<std::shared_ptr<qlservice::IData>>(records.begin(), records.end()), true);
    m_table->adjustVisibleRowsColumnWidth();
}

void CKLineDealDialog::showEvent(QShowEvent* event)
{
    KW::CCommonDialog::showEvent(event);
    CLinkageRecordWindows::hideOthers(this);
}

} // namespace TC
