#pragma once

#include <memory>
#include <vector>

#include <QAbstractTableModel>
#include <QStringList>

#include "platform/trading/IData.h"

namespace TC {

// The rows of a TC::CHpfDataTable: shared records asked for their texts only
// when a cell is painted, so thousands of rows cost one pointer each.
class CHpfDataTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using Records = std::vector<std::shared_ptr<qlservice::IData>>;

    CHpfDataTableModel(int columnCount, QObject* parent = nullptr);

    // Replaces (replace = true) or extends the rows; null records are left out.
    void setRecords(const Records& records, bool replace);
    const Records& records() const { return m_records; }
    // Empty headers fall back to the first record's column names.
    void setHeaders(const QStringList& headers);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    int m_columnCount;
    QStringList m_headers;
    Records m_records;
};

} // namespace TC
