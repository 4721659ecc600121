#pragma once

#include <string>

#include <QString>

namespace qlservice {

// Base of the trading-linkage records (orders, deals, tasks). A record is a
// value published by CLinkageManager: once handed out it never changes (an
// update publishes a new record under the same key), so readers on any thread
// may keep it without locking.
//
// Besides its key, a record lists itself as a row of texts so a generic table
// (TC::CHpfDataTable) can show any kind without knowing it.
class IData
{
public:
    virtual ~IData() = default;

    // Unique among the records of one kind: "<account>|<id>".
    virtual std::string getKey() const = 0;

    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    // "" for a column out of range.
    virtual QString columnText(int column) const = 0;
};

} // namespace qlservice
