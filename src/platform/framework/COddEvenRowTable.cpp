#include "platform/framework/COddEvenRowTable.h"

#include <algorithm>

#include <QHeaderView>

#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

namespace KW {

namespace {

constexpr int kRowHeight = 24;

} // namespace

COddEvenRowTable::COddEvenRowTable(int capacity, QWidget* parent)
    : CEventWidgetT<QTableWidget>(parent), m_capacity(std::max(0, capacity))
{
    setAlternatingRowColors(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setHighlightSections(false);
    applyTheme();
}

int COddEvenRowTable::appendRow()
{
    if (rowCount() >= m_capacity)
        return -1;
    const int row = rowCount();
    insertRow(row);
    return row;
}

void COddEvenRowTable::setCellText(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    setItem(row, column, item);
}

void COddEvenRowTable::clearRows()
{
    setRowCount(0);
}

void COddEvenRowTable::themeChanged()
{
    applyTheme();
}

void COddEvenRowTable::applyTheme()
{
    setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::Table, this) +
                  CStyleSheetCenter::getStyle(CStyleSheetCenter::ScrollBar, this));
    setFont(CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
}

} // namespace KW
