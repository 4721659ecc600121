#include "dialogs/CKLineTaskTableDialog.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/CKLineProgressWidget.h"
#include "dialogs/CLinkageRecordWindows.h"
#include "dialogs/CTaskTableCancelButton.h"
#include "platform/framework/COddEvenRowTable.h"
#include "platform/framework/CUiResource.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/trading/DataHelper.h"
#include "platform/trading/TradeTexts.h"

namespace TC {

using qlservice::CTaskDetail;

namespace {

struct Column {
    const char* header;
    int width;
};

const Column kColumns[CKLineTaskTableDialog::kColumnCount] = {
    {"资金账号", 70}, {"证券名称", 80}, {"开始时间", 61}, {"结束时间", 61},
    {"进度", 120},    {"详情", 249},    {"状态", 100}};

QString timeText(int t)
{
    if (t == CTaskDetail::kUnsetTime)
        return QString();
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("hh:mm:ss"));
}

QLabel* colouredLabel(const QString& text, const QString& colourKey, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color:%1;")
                             .arg(KW::CUiResource::instance()->getColor(colourKey).name(QColor::HexArgb)));
    return label;
}

} // namespace

CKLineTaskTableDialog::CKLineTaskTableDialog(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("kline_task_table_dialog"))
{
    setTitle(QStringLiteral("任务详情"));
    setButtonsVisible(false, false);
    setMinimumWidth(828);
    auto* container = new QWidget(contentWidget());
    container->setObjectName(QStringLiteral("containner_RealTimeTaskTableDialog"));
    m_table = new KW::COddEvenRowTable(kCapacity, container);
    m_table->setColumnCount(kColumnCount);
    QStringList headers;
    for (const Column& c : kColumns)
        headers << QString::fromUtf8(c.header);
    m_table->setHorizontalHeaderLabels(headers);
    for (int i = 0; i < kColumnCount; ++i)
        m_table->setColumnWidth(i, kColumns[i].width);
    auto* inner = new QVBoxLayout(container);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(m_table);
    auto* outer = new QVBoxLayout(contentWidget());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(container);
    resize(828, 320);
    CLinkageRecordWindows::add(this);
}

CKLineTaskTableDialog::~CKLineTaskTableDialog()
{
    CLinkageRecordWindows::remove(this);
}

void CKLineTaskTableDialog::setData(const std::vector<std::shared_ptr<CTaskDetail>>& tasks,
                                    const std::shared_ptr<qlservice::CInstrumentDetail>& instrument)
{
    m_table->clearRows();
    if (!instrument)
        return;
    const std::string key = instrument->market + instrument->code;
    for (const auto& task : tasks)
        if (task && task->m_market + task->m_code == key)
            appendTask(*task, task, *instrument);
}

void CKLineTaskTableDialog::appendTask(const CTaskDetail& task, const std::shared_ptr<CTaskDetail>& shared,
                                       const qlservice::CInstrumentDetail& instrument)
{
    const int row = m_table->appendRow();
    if (row < 0)
        return;
    m_table->setCellText(row, 0, QString::fromStdString(task.m_accountId));
    m_table->setCellText(row, 1, QString::fromStdString(instrument.name));
    m_table->setCellText(row, 2, timeText(task.m_startTime));
    m_table->setCellText(
        row, 3, timeText(task.m_endTime != CTaskDetail::kUnsetTime ? task.m_endTime : task.m_planEndTime));

    auto* progress = new CKLineProgressWidget(m_table);
    progress->setTotal(task.m_itemCount);
    progress->setFinished(
        CLinkageManager::instance()->getTaskItemFinishNumber(shared, instrument.market + instrument.code));
    m_table->setCellWidget(row, 4, progress);

    auto* details = new QWidget(m_table);
    details->setObjectName(QStringLiteral("table_transaction_details"));
    auto* row5 = new QHBoxLayout(details);
    row5->setContentsMargins(4, 0, 4, 0);
    row5->setSpacing(2);
    row5->addWidget(colouredLabel(QStringLiteral("以"), QStringLiteral("clr_text_default"), details));
    row5->addWidget(colouredLabel(getPriceTypeQString(task.m_priceType),
                                  QStringLiteral("clr_task_progress_background"), details));
    const QString quantity = QString::number(task.m_quantity, 'f', 0);
    const QString unit = task.m_operation == qlservice::DataHelper::kOpBuyAmount
                             ? QStringLiteral("元")
                             : qlservice::getStockUnit(instrument.market, instrument.code);
    const bool buy = qlservice::DataHelper::isBuy(task.m_operation);
    row5->addWidget(colouredLabel(qlservice::operationValueToString(task.m_operation) + quantity + unit,
                                  buy ? QStringLiteral("ic_clr_index_default_rise")
                                      : QStringLiteral("ic_clr_index_default_fall"),
                                  details));
    row5->addStretch(1);
    m_table->setCellWidget(row, 5, details);

    const QString status = getTaskStatusQString(task.m_status);
    if (task.m_status == qlservice::DataHelper::kTaskRunning ||
        task.m_status == qlservice::DataHelper::kTaskPaused) {
        auto* cell = new QWidget(m_table);
        cell->setObjectName(QStringLiteral("realtime_task__details"));
        auto* row6 = new QHBoxLayout(cell);
        row6->setContentsMargins(4, 0, 4, 0);
        row6->addWidget(colouredLabel(status, QStringLiteral("clr_text_default"), cell));
        auto* cancel = new CTaskTableCancelButton(cell);
        cancel->setValue(task.m_taskId, task.m_sessionId);
        row6->addWidget(cancel);
        m_table->setCellWidget(row, 6, cell);
    } else {
        m_table->setCellText(row, 6, status);
    }
}

void CKLineTaskTableDialog::showEvent(QShowEvent* event)
{
    KW::CCommonDialog::showEvent(event);
    CLinkageRecordWindows::hideOthers(this);
}

} // namespace TC
