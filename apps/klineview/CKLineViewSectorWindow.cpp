#include "CKLineViewSectorWindow.h"

#include <algorithm>
#include <limits>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CStockManager.h"

namespace TC {

namespace {

QString nameOf(const QString& key)
{
    const auto detail = CMarketStore::instance()->instrument(key);
    return detail ? QString::fromStdString(detail->name) : QString();
}

} // namespace

CKLineViewSectorWindow::CKLineViewSectorWindow(const QString& stockKey, QWidget* parent)
    : QWidget(parent, Qt::Window), m_key(stockKey)
{
    setObjectName(QStringLiteral("sector_window"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("板块对比 - %1 %2").arg(stockKey, nameOf(stockKey)).trimmed());
    auto* layout = new QVBoxLayout(this);
    m_levelCombo = new QComboBox(this);
    m_levelCombo->setObjectName(QStringLiteral("sector_level"));
    for (int level = 1; level <= 3; ++level)
        if (!CSectorManager::getSWSectorByStock(stockKey, level).isEmpty())
            m_levelCombo->addItem(QStringLiteral("%1级行业").arg(level), level);
    m_sectorLabel = new QLabel(this);
    m_sectorLabel->setObjectName(QStringLiteral("sector_name"));
    m_table = new QTableWidget(0, 4, this);
    m_table->setObjectName(QStringLiteral("sector_members"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("最新价"), QStringLiteral("涨跌幅")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_levelCombo);
    layout->addWidget(m_sectorLabel);
    layout->addWidget(m_table, 1);
    m_levelCombo->setVisible(m_levelCombo->count() > 1);
    connect(m_levelCombo, QOverload<int>::of(&QComboBox::activated), this,
            [this](int i) { setLevel(m_levelCombo->itemData(i).toInt()); });
    if (m_levelCombo->count() > 0)
        setLevel(m_levelCombo->itemData(0).toInt());
    else
        fill();
    resize(420, 360);
}

bool CKLineViewSectorWindow::setLevel(int level)
{
    const QString sector = CSectorManager::getSWSectorByStock(m_key, level);
    if (sector.isEmpty())
        return false;
    m_level = level;
    m_sector = sector;
    const int i = m_levelCombo->findData(level);
    if (i >= 0)
        m_levelCombo->setCurrentIndex(i);
    fill();
    return true;
}

QVector<CKLineViewSectorWindow::Row> CKLineViewSectorWindow::members(const QString& sectorName, int level)
{
    QVector<Row> rows;
    if (sectorName.isEmpty())
        return rows;
    CMarketStore* store = CMarketStore::instance();
    for (const QString& key : store->instrumentKeys()) {
        if (CSectorManager::getSWSectorByStock(key, level) != sectorName)
            continue;
        const QVector<quoter::CBar> days = store->dayBars(key);
        if (days.isEmpty())
            continue;
        Row row;
        row.key = key;
        row.name = nameOf(key);
        row.lastClose = days.last().close;
        const double prev = store->prevClose(key, CLocalTimeConverter::dateOf(days.last().time));
        if (prev != std::numeric_limits<double>::max() && prev > 0.0) {
            row.changePct = (row.lastClose - prev) / prev * 100.0;
            row.hasChange = true;
        }
        rows.append(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.hasChange != b.hasChange)
            return a.hasChange;
        if (a.hasChange && a.changePct != b.changePct)
            return a.changePct > b.changePct;
        return a.key < b.key;
    });
    return rows;
}

void CKLineViewSectorWindow::fill()
{
    if (m_sector.isEmpty()) {
        m_rows.clear();
        m_sectorLabel->setText(QStringLiteral("该品种没有所属板块"));
    } else {
        m_rows = members(m_sector, m_level);
        const QString index = CSectorManager::getBkzsCodeByName(m_sector);
        m_sectorLabel->setText(index.isEmpty() ? QStringLiteral("所属板块: %1").arg(m_sector)
                                               : QStringLiteral("所属板块: %1 (%2)").arg(m_sector, index));
    }
    m_table->setRowCount(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r) {
        const Row& row = m_rows[r];
        const QString change =
            row.hasChange ? QStringLiteral("%1%").arg(row.changePct, 0, 'f', 2) : QStringLiteral("--");
        const QString cells[4] = {row.key, row.name, QString::number(row.lastClose, 'f', 2), change};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
    }
}

} // namespace TC
