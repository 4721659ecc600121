#pragma once

#include <memory>
#include <vector>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CCommonDialog.h"
#include "platform/market/CInstrumentDetail.h"
#include "platform/trading/CTaskDetail.h"

namespace KW {
class COddEvenRowTable;
}

namespace TC {

// "任务详情": the algorithmic tasks of the chart's instrument, one row each:
// account, instrument name, start and end time, progress (finished items of
// the item count), the order details ("以" price type, operation, quantity
// and unit) and the status, with "撤销" for running and paused tasks.
// Shown alone among the chart's record windows.
class INDEXKLINEVIEW_EXPORT CKLineTaskTableDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    static constexpr int kColumnCount = 7;
    static constexpr int kCapacity = 10000;

    explicit CKLineTaskTableDialog(QWidget* parent = nullptr);
    ~CKLineTaskTableDialog() override;

    // Replaces the rows by the tasks on the instrument (others are left out).
    void setData(const std::vector<std::shared_ptr<qlservice::CTaskDetail>>& tasks,
                 const std::shared_ptr<qlservice::CInstrumentDetail>& instrument);
    KW::COddEvenRowTable* table() const { return m_table; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void appendTask(const qlservice::CTaskDetail& task, const std::shared_ptr<qlservice::CTaskDetail>& shared,
                    const qlservice::CInstrumentDetail& instrument);

    KW::COddEvenRowTable* m_table = nullptr;
};

} // namespace TC
