#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

#include "platform/indexui/CFormulaKey.h"

namespace TC {

// The request book of a series: an ordered list of items, each tying one
// request id of the formula service to one formula key. A key and an id
// each appear at most once.
class IndexBaseDataReq
{
public:
    struct Item {
        CFormulaKey key;
        QString reqId;
    };

    // Records the pair; false (nothing changes) when the key or the id is
    // already recorded, or the id is empty.
    bool add(const CFormulaKey& key, const QString& reqId);
    // Id of a key; false when absent.
    bool getReq(QString& reqId, const CFormulaKey& key) const;
    // Key of an id; false when absent.
    bool getKey(CFormulaKey& key, const QString& reqId) const;
    bool findKey(const CFormulaKey& key) const;
    bool removeReq(const QString& reqId);
    bool removeKey(const CFormulaKey& key);
    // No-op for an index out of range.
    void removeAt(int i);
    void clear() { m_items.clear(); }
    int count() const { return m_items.size(); }
    // Item i; an empty item for an index out of range.
    const Item& operator[](int i) const;
    QVector<QString> reqIds() const;

private:
    int indexOfKey(const CFormulaKey& key) const;
    int indexOfReq(const QString& reqId) const;

    QList<Item> m_items;
};

} // namespace TC
