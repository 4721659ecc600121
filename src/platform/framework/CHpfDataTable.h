#pragma once

#include <memory>
#include <vector>

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTableView>

#include "platform/framework/CEventWidgetT.h"
#include "platform/trading/IData.h"

namespace TC {

class CHpfDataTableModel;

// The terminal's high-performance data table: a table view over a model of
// shared records (qlservice::IData), with fixed row heights and texts made
// only for painted cells, so it holds thousands of rows at no cost.
//
// Column settings: the user configuration keeps one text per table id,
// "column:width" entries separated by ','; width 0 hides the column. They
// apply at construction when a user configuration exists; a malformed entry
// is skipped. adjustVisibleRowsColumnWidth leaves columns with a user width
// alone.
class CHpfDataTable : public KW::CEventWidgetT<QTableView>
{
    Q_OBJECT

public:
    CHpfDataTable(int columnCount, int tableId, QWidget* parent = nullptr);

    int tableId() const { return m_tableId; }
    int columnCount() const;
    int rowCount() const;
    std::shared_ptr<qlservice::IData> record(int row) const;
    CHpfDataTableModel* dataModel() const { return m_model; }

    void setHeaders(const QStringList& headers);
    // replace: the records become the rows; otherwise they are appended.
    void updateData(const std::vector<std::shared_ptr<qlservice::IData>>& records, bool replace);
    // Widens every column without a user width to its header and the texts
    // of the rows now in view (not all rows: a long table stays cheap).
    void adjustVisibleRowsColumnWidth();

    // Applies a settings text; returns how many entries applied.
    int applyColumnSettings(const QString& settings);
    bool hasUserWidth(int column) const { return m_userWidths.contains(column); }

    void themeChanged() override;

private:
    void applyTheme();

    int m_tableId;
    CHpfDataTableModel* m_model;
    QMap<int, int> m_userWidths;
};

} // namespace TC
