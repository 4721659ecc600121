#pragma once

#include <map>
#include <mutex>
#include <string>

#include <QByteArray>
#include <QString>

#include "platform/config/BsonDefs.h"
#include "platform/config/CSingletonT.h"

namespace TC {

// The process-wide store of the user's drawings, one record per drawing key
// (instrument key, key splitter, period). Kept as one JSON object
// {key: record, ...} in "drawgraph.json" under the user's data folder, read
// on first use and rewritten after every change.
//
// Choices:
//  - A file that cannot be parsed is copied aside to "drawgraph.json.bad"
//    before anything is written, so a damaged file is never overwritten
//    with less than it held.
//  - An empty key is ignored; an empty record removes the key.
//  - A change that cannot be written stays in memory for this session (the
//    chart keeps showing it) while the file keeps its previous content; the
//    user is told with a tip, since the callers are drawing gestures that
//    have nobody else to report to.
class CDrawGraphManager
{
public:
    static CDrawGraphManager* instance();

    // The record of `key`; an empty object when there is none.
    static bson::BSONObj getGraphData(const QString& key);
    // False when the file could not be written.
    static bool setGraphData(const QString& key, const bson::BSONObj& data);
    static bool hasGraphData(const QString& key);

    using Records = std::map<std::string, bson::BSONObj>;
    // The records of a file's text: false (with `error`) when the text is
    // not a JSON object; entries that are not objects are skipped.
    static bool parse(const QByteArray& text, Records& out, std::string* error = nullptr);
    static std::string serialize(const Records& records);

    QString filePath() const;
    // Drops the records held and reads the file again.
    void reload();

private:
    friend class utils::CSingletonT<CDrawGraphManager>;
    CDrawGraphManager() = default;

    void ensureLoaded();
    void loadLocked();
    bool saveLocked(QString* error) const;

    std::mutex m_mutex;
    bool m_loaded = false;
    Records m_records;
};

} // namespace TC
