#pragma once

#include <QString>
#include <QStringList>

#include "platform/framework/CCommonDialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace TC {

// "加入自选股": adds instruments to one of the user's self-selected groups
// (CSelfStockStore::instance()).
//
// Shows the given keys as "key name" lines (the name from the market store,
// none for an unknown key) and the user's groups, the default "自选股"
// selected. A name typed next to "新建分组" adds a new group to the list and
// selects it (it is stored only with OK; a name already listed just selects
// that group). OK adds the keys to the selected group, keys it holds already
// being ignored, and closes; a refusal of the store is told in a message box
// and the dialog stays open. Cancel changes nothing. GUI thread only.
class CAddSelfStockDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    explicit CAddSelfStockDialog(const QStringList& keys, QWidget* parent = nullptr);

    const QStringList& keys() const { return m_keys; }
    // The group OK would add to ("" when none is selected).
    QString selectedGroup() const;
    // Selects a listed group; false when it is not listed.
    bool selectGroup(const QString& name);
    // What "新建分组" does with the name in the entry; false for an empty name.
    bool addGroupFromEntry();

    QListWidget* stockList() const { return m_stockList; }
    QListWidget* groupList() const { return m_groupList; }
    QLineEdit* newGroupEdit() const { return m_newGroupEdit; }
    QPushButton* newGroupButton() const { return m_newGroupButton; }

signals:
    // After OK stored the keys.
    void stocksAdded(const QString& group, const QStringList& keys);

protected:
    bool acceptInput() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList m_keys;
    QListWidget* m_stockList = nullptr;
    QListWidget* m_groupList = nullptr;
    QLineEdit* m_newGroupEdit = nullptr;
    QPushButton* m_newGroupButton = nullptr;
};

} // namespace TC
