#pragma once

#include <memory>
#include <vector>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CCommonDialog.h"
#include "platform/trading/COrderDetail.h"

namespace TC {

class CHpfDataTable;

// "委托明细": the orders under a trade mark, one row each, in the terminal's
// data table (table id kTableId, its column settings from the user
// configuration). Shown alone among the chart's record windows.
class INDEXKLINEVIEW_EXPORT CKLineOrderDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    static constexpr int kColumnCount = 20;
    static constexpr int kTableId = 542;

    explicit CKLineOrderDialog(QWidget* parent = nullptr);
    ~CKLineOrderDialog() override;

    void setData(const std::vector<std::shared_ptr<qlservice::COrderDetail>>& orders);
    CHpfDataTable* table() const { return m_table; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    CHpfDataTable* m_table = nullptr;
};

} // namespace TC
