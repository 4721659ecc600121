#pragma once

#include <QTableWidget>

#include "platform/framework/CEventWidgetT.h"

namespace KW {

// The terminal's table of widget rows with alternating (odd / even) row
// backgrounds from the theme's table colours. It holds at most `capacity`
// rows: appendRow refuses more, so a runaway producer cannot grow it
// without bound. Rows have a fixed height; there is no vertical header.
class COddEvenRowTable : public CEventWidgetT<QTableWidget>
{
    Q_OBJECT

public:
    explicit COddEvenRowTable(int capacity, QWidget* parent = nullptr);

    int capacity() const { return m_capacity; }
    // Index of the new row; -1 when the table is full.
    int appendRow();
    // Text cell, centred; ignored outside the table.
    void setCellText(int row, int column, const QString& text);
    void clearRows();

    void themeChanged() override;

private:
    void applyTheme();

    int m_capacity;
};

} // namespace KW
