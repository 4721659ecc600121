#pragma once

#include <QString>
#include <QVector>
#include <QWidget>

class QComboBox;
class QLabel;
class QTableWidget;

namespace TC {

// The host's sector analysis (板块对比) of one instrument: a small window that
// names the instrument's industry sector at a level (1..3, the finest level
// the instrument has is not assumed: level 1 first, the others in a choice)
// with its sector index, and lists the sector's members with their last
// close and change in per cent of the previous close (ex-rights aware, see
// CMarketStore::prevClose), the largest gain first. An instrument without a
// sector shows "该品种没有所属板块" and an empty list.
class CKLineViewSectorWindow : public QWidget
{
    Q_OBJECT

public:
    struct Row {
        QString key;
        QString name;
        double lastClose = 0.0;
        double changePct = 0.0;
        bool hasChange = false; // false: no previous close to measure against
    };

    explicit CKLineViewSectorWindow(const QString& stockKey, QWidget* parent = nullptr);

    const QString& stockKey() const { return m_key; }
    int level() const { return m_level; }
    // Shows the sector of that level; false when the instrument has none there.
    bool setLevel(int level);
    QString sectorName() const { return m_sector; }
    const QVector<Row>& rows() const { return m_rows; }

    QComboBox* levelCombo() const { return m_levelCombo; }
    QLabel* sectorLabel() const { return m_sectorLabel; }
    QTableWidget* table() const { return m_table; }

    // Members of a sector at a level, sorted by change (largest first; those
    // without a change last, then by key).
    static QVector<Row> members(const QString& sectorName, int level);

private:
    void fill();

    QString m_key;
    int m_level = 1;
    QString m_sector;
    QVector<Row> m_rows;
    QComboBox* m_levelCombo = nullptr;
    QLabel* m_sectorLabel = nullptr;
    QTableWidget* m_table = nullptr;
};

} // namespace TC
