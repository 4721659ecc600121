#pragma once

#include <memory>
#include <vector>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CCommonDialog.h"
#include "platform/trading/CDealDetail.h"

namespace TC {

class CHpfDataTable;

// "成交明细": the deals under a trade mark, one row each, in the terminal's
// data table (table id kTableId, its column settings from the user
// configuration). Shown alone among the chart's record windows.
class INDEXKLINEVIEW_EXPORT CKLineDealDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    static constexpr int kColumnCount = 18;
    static constexpr int kTableId = 544;

    explicit CKLineDealDialog(QWidget* parent = nullptr);
    ~CKLineDealDialog() override;

    void setData(const std::vector<std::shared_ptr<qlservice::CDealDetail>>& deals);
    CHpfDataTable* table() const { return m_table; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    CHpfDataTable* m_table = nullptr;
};

} // namespace TC
