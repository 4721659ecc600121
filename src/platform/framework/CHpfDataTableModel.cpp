#include "platform/framework/CHpfDataTableModel.h"

namespace TC {

CHpfDataTableModel::CHpfDataTableModel(int columnCount, QObject* parent)
    : QAbstractTableModel(parent), m_columnCount(std::max(0, columnCount))
{
}

void CHpfDataTableModel::setRecords(const Records& records, bool replace)
{
    Records kept;
    kept.reserve(records.size());
    for (const auto& r : records)
        if (r)
            kept.push_back(r);
    if (replace) {
        beginResetModel();
        m_records.swap(kept);
        endResetModel();
        return;
    }
    if (kept.empty())
        return;
    const int first = int(m_records.size());
    beginInsertRows(QModelIndex(), first, first + int(kept.size()) - 1);
    m_records.insert(m_records.end(), kept.begin(), kept.end());
    endInsertRows();
}

void CHpfDataTableModel::setHeaders(const QStringList& headers)
{
    m_headers = headers;
    if (m_columnCount > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columnCount - 1);
}

int CHpfDataTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_records.size());
}

int CHpfDataTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columnCount;
}

QVariant CHpfDataTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_records.size()) || index.column() >= m_columnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_records[size_t(index.row())]->columnText(index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QVariant();
}

QVariant CHpfDataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= m_columnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < m_headers.size() && !m_headers.at(section).isEmpty())
        return m_headers.at(section);
    if (!m_records.empty())
        return m_records.front()->columnName(section);
    return QString::number(section + 1);
}

} // namespace TC
