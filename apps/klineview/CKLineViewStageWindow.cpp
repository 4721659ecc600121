#include "CKLineViewStageWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/CKLineStageDialog.h"
#include "platform/framework/KWFormat.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CStageQuoteJob.h"

namespace TC {

namespace {

// Sorts by the value kept in the user role, not by the shown text.
class CValueItem : public QTableWidgetItem
{
public:
    CValueItem(const QString& text, double value) : QTableWidgetItem(text) { setData(Qt::UserRole, value); }
    bool operator<(const QTableWidgetItem& other) const override
    {
        const QVariant a = data(Qt::UserRole);
        const QVariant b = other.data(Qt::UserRole);
        if (a.isValid() && b.isValid())
            return a.toDouble() < b.toDouble();
        return QTableWidgetItem::operator<(other);
    }
};

QString objectNameOf(CKLineViewStageWindow::EMode mode)
{
    return mode == CKLineViewStageWindow::PeriodQuote ? QStringLiteral("period_quote_window")
                                                      : QStringLiteral("stage_rank_window");
}

QString dayText(qint64 secs)
{
    return CLocalTimeConverter::dateOf(secs).toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

CKLineViewStageWindow::CKLineViewStageWindow(EMode mode, const CMarketStore* store, const QString& currentKey,
                                             qint64 startSecs, qint64 endSecs, int drType, int criterion,
                                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_mode(mode), m_store(store), m_currentKey(currentKey),
      m_criterion(criterion)
{
    setObjectName(objectNameOf(mode));
    setAttribute(Qt::WA_DeleteOnClose);
    m_request.startSecs = startSecs;
    m_request.endSecs = endSecs;
    m_request.drType = drType;
    const QString range = QStringLiteral("%1 ~ %2").arg(dayText(startSecs), dayText(endSecs));
    if (mode == PeriodQuote)
        setWindowTitle(QStringLiteral("时段行情 %1").arg(range));
    else
        setWindowTitle(QStringLiteral("阶段排序 %1 %2")
                           .arg(CKLineStageDialog::criterionLabels().value(criterion), range));

    m_table = new QTableWidget(this);
    m_table->setColumnCount(headers().size());
    m_table->setHorizontalHeaderLabels(headers());
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->setVisible(false);
    m_table->setSortingEnabled(true);

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("stage_cancel"));
    connect(m_cancel, &QPushButton::clicked, this, &CKLineViewStageWindow::cancel);
    m_status = new QLabel(this);
    auto* bar = new QHBoxLayout;
    m_scope = new QComboBox(this);
    m_scope->addItem(QStringLiteral("本市场"), MarketScope);
    if (mode == PeriodQuote)
        m_scope->addItem(QStringLiteral("所属板块"), SectorScope);
    m_scope->addItem(QStringLiteral("全部市场"), AllScope);
    connect(m_scope, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CKLineViewStageWindow::recompute);
    bar->addWidget(m_scope);
    bar->addWidget(m_status, 1);
    bar->addWidget(m_progress);
    bar->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table, 1);
    resize(900, 520);
    recompute();
}

CKLineViewStageWindow::~CKLineViewStageWindow() = default;

CKLineViewStageWindow* CKLineViewStageWindow::openFor(QWidget* host, const QString& currentKey, int eventId,
                                                      const QString& text, const CMarketStore* store)
{
    const QStringList f = text.split(QLatin1Char(','));
    const EMode mode = eventId == 219 ? PeriodQuote : StageRank;
    if ((eventId != 219 && eventId != 3180) || f.size() < (mode == PeriodQuote ? 4 : 5))
        return nullptr;
    bool ok[4] = {false, false, false, true};
    const qint64 start = f[0].toLongLong(&ok[0]);
    const qint64 end = f[1].toLongLong(&ok[1]);
    const int drType = f[2].toInt(&ok[2]);
    const int criterion = mode == StageRank ? f[4].toInt(&ok[3]) : 0;
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || criterion < 0 || criterion > 7 || start > end)
        return nullptr;
    if (host)
        if (auto* old =
                host->findChild<CKLineViewStageWindow*>(objectNameOf(mode), Qt::FindDirectChildrenOnly))
            old->close();
    auto* window = new CKLineViewStageWindow(mode, store ? store : CMarketStore::instance(), currentKey,
                                             start, end, drType, criterion, host);
    window->show();
    window->raise();
    return window;
}

QStringList CKLineViewStageWindow::headers() const
{
    QStringList out;
    if (m_mode == StageRank)
        out << QStringLiteral("排名");
    out << QStringLiteral("代码") << QStringLiteral("名称");
    if (m_mode == StageRank)
        out << CKLineStageDialog::criterionLabels().value(m_criterion);
    out << QStringLiteral("开盘") << QStringLiteral("收盘") << QStringLiteral("涨跌")
        << QStringLiteral("涨跌幅") << QStringLiteral("最高") << QStringLiteral("最低")
        << QStringLiteral("成交量") << QStringLiteral("成交额") << QStringLiteral("换手率");
    return out;
}

bool CKLineViewStageWindow::isComputing() const
{
    return m_job && m_job->isRunning();
}

void CKLineViewStageWindow::recompute()
{
    m_job.reset();
    m_rows.clear();
    m_table->setRowCount(0);
    if (!m_store)
        return;
    const int scope = m_scope->currentData().toInt();
    const bool sector = scope == SectorScope;
    if (sector) {
        m_request.keys = CStageQuoteCalculator::sectorKeys(*m_store, m_currentKey);
    } else if (scope == AllScope) {
        m_request.keys = CStageQuoteCalculator::marketKeys(*m_store, QString());
    } else {
        const auto detail = m_store->instrument(m_currentKey);
        m_request.keys = CStageQuoteCalculator::marketKeys(
            *m_store, detail ? QString::fromStdString(detail->market) : QString());
    }
    if (m_request.keys.isEmpty()) {
        m_status->setText(sector ? QStringLiteral("该品种没有所属板块") : QStringLiteral("没有可统计的品种"));
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
        m_cancel->setEnabled(false);
        return;
    }
    m_status->setText(QStringLiteral("计算中..."));
    m_progress->setRange(0, m_request.keys.size());
    m_progress->setValue(0);
    m_progress->setVisible(true);
    m_cancel->setEnabled(true);
    m_job = std::make_unique<CStageQuoteJob>(
        m_store, m_request, this, [this](int done, int) { m_progress->setValue(done); },
        [this](const QVector<CStageQuoteCalculator::Row>& rows) { showRows(rows); });
    m_job->start();
}

void CKLineViewStageWindow::cancel()
{
    if (!m_job || !m_job->isRunning())
        return;
    m_job->cancel();
    m_cancel->setEnabled(false);
    m_status->setText(QStringLiteral("已取消"));
}

int CKLineViewStageWindow::currentRow() const
{
    const int codeColumn = m_mode == StageRank ? 1 : 0;
    for (int r = 0; r < m_table->rowCount(); ++r)
        if (QTableWidgetItem* item = m_table->item(r, codeColumn))
            if (item->data(Qt::UserRole + 1).toString() == m_currentKey)
                return r;
    return -1;
}

void CKLineViewStageWindow::showRows(const QVector<CStageQuoteCalculator::Row>& rows)
{
    m_rows = rows;
    if (m_mode == StageRank)
        CStageQuoteCalculator::rank(m_rows, m_criterion);
    m_cancel->setEnabled(false);
    m_progress->setValue(m_progress->maximum());
    m_status->setText(QStringLiteral("共 %1 个品种").arg(m_rows.size()));
    m_table->setSortingEnabled(false);
    m_table->setRowCount(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r) {
        const CStageQuoteCalculator::Row& row = m_rows.at(r);
        int c = 0;
        auto put = [&](QTableWidgetItem* item) {
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (item->data(Qt::UserRole).isValid())
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c++, item);
        };
        auto number = [&](double v, int decimals, int flags = 0) {
            put(new CValueItem(KW::formatDoubleNumber(v, decimals, flags, false, QStringLiteral("-")), v));
        };
        if (m_mode == StageRank)
            number(r + 1, 0);
        auto* code = new QTableWidgetItem(row.key);
        code->setData(Qt::UserRole + 1, row.key);
        put(code);
        put(new QTableWidgetItem(row.name));
        if (m_mode == StageRank) {
            const double v = CStageQuoteCalculator::criterionValue(row, m_criterion);
            const bool ratio = m_criterion == 4 || m_criterion == 6;
            const bool big = m_criterion == 2 || m_criterion == 5;
            number(v, big ? 0 : 2, ratio ? KW::kFormatPercent : big ? KW::kFormatUnits : 0);
        }
        number(row.open, 2);
        number(row.close, 2);
        number(row.change, 2);
        number(row.changePct, 2, KW::kFormatPercent);
        number(row.high, 2);
        number(row.low, 2);
        number(row.volume, 0, KW::kFormatUnits);
        number(row.amount, 0, KW::kFormatUnits);
        number(row.turnover, 2, KW::kFormatPercent);
    }
    m_table->setSortingEnabled(true);
    if (m_mode == StageRank)
        m_table->sortItems(0, Qt::AscendingOrder);
    const int current = currentRow();
    if (current >= 0) {
        for (int c = 0; c < m_table->columnCount(); ++c)
            if (QTableWidgetItem* item = m_table->item(current, c)) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
        m_table->selectRow(current);
        m_table->scrollToItem(m_table->item(current, 0));
    }
    m_table->resizeColumnsToContents();
}

} // namespace TC
