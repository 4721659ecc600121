#include "platform/framework/CHpfDataTable.h"

#include <algorithm>

#include <QHeaderView>
#include <QScrollBar>

#include "platform/config/CUserConfig.h"
#include "platform/framework/CHpfDataTableModel.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

constexpr int kRowHeight = 22;
constexpr int kCellPadding = 16;

} // namespace

CHpfDataTable::CHpfDataTable(int columnCount, int tableId, QWidget* parent)
    : KW::CEventWidgetT<QTableView>(parent), m_tableId(tableId),
      m_model(new CHpfDataTableModel(columnCount, this))
{
    setObjectName(QStringLiteral("hpf_data_table"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    if (const CUserConfig* config = getUserConfig())
        applyColumnSettings(config->tableColumns(tableId));
    applyTheme();
}

int CHpfDataTable::columnCount() const
{
    return m_model->columnCount();
}

int CHpfDataTable::rowCount() const
{
    return m_model->rowCount();
}

std::shared_ptr<qlservice::IData> CHpfDataTable::record(int row) const
{
    const auto& records = m_model->records();
    if (row < 0 || row >= int(records.size()))
        return nullptr;
    return records[size_t(row)];
}

void CHpfDataTable::setHeaders(const QStringList& headers)
{
    m_model->setHeaders(headers);
}

void CHpfDataTable::updateData(const std::vector<std::shared_ptr<qlservice::IData>>& records, bool replace)
{
    m_model->setRecords(records, replace);
    if (replace)
        scrollToTop();
}

void CHpfDataTable::adjustVisibleRowsColumnWidth()
{
    const QFontMetrics fm(font());
    const QFontMetrics headerFm(horizontalHeader()->font());
    const int first = std::max(0, rowAt(0));
    int last = rowAt(std::max(0, viewport()->height() - 1));
    if (last < 0)
        last = std::min(rowCount() - 1, first + std::max(1, viewport()->height() / kRowHeight));
    for (int c = 0; c < columnCount(); ++c) {
        if (m_userWidths.contains(c))
            continue;
        int width = headerFm.horizontalAdvance(m_model->headerData(c, Qt::Horizontal).toString());
        for (int r = first; r <= last && r < rowCount(); ++r)
            width = std::max(width, fm.horizontalAdvance(m_model->data(m_model->index(r, c)).toString()));
        setColumnWidth(c, width + kCellPadding);
    }
}

int CHpfDataTable::applyColumnSettings(const QString& settings)
{
    int applied = 0;
    for (const QString& entry : settings.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = entry.trimmed().split(QLatin1Char(':'));
        bool okColumn = false, okWidth = false;
        const int column = parts.size() == 2 ? parts.at(0).toInt(&okColumn) : -1;
        const int width = parts.size() == 2 ? parts.at(1).toInt(&okWidth) : -1;
        if (!okColumn || !okWidth || column < 0 || column >= columnCount() || width < 0)
            continue;
        m_userWidths[column] = width;
        setColumnHidden(column, width == 0);
        if (width > 0)
            setColumnWidth(column, width);
        ++applied;
    }
    return applied;
}

void CHpfDataTable::themeChanged()
{
    applyTheme();
}

void CHpfDataTable::applyTheme()
{
    setStyleSheet(KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::Table, this) +
                  KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::ScrollBar, this));
    setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
}

} // namespace TC
