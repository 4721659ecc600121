#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace TC {

// The user's self-selected stocks (自选股): named groups of instrument keys,
// kept in <user data folder>/selfstocks.json:
//   {"version": 1, "groups": [{"name": "自选股", "stocks": ["SH600000", ...]}, ...]}
//
// The default group "自选股" always exists and comes first; the others keep
// the order they were created in. Group names are trimmed, non-empty and at
// most kMaxNameLength characters; keys are trimmed, non-empty, unique within
// a group and kept in the order they were added.
//
// Every change rewrites the file atomically. A file that cannot be read (not
// JSON, wrong shape, wrong types, too large) is logged and treated as empty;
// before the first rewrite it is kept as "selfstocks.json.bad" so it is never
// silently lost. Entries of a readable file that break the rules (an empty
// name, a repeated group, a key that is no string) are skipped and logged.
//
// The process-wide store (instance()) reads the file at first use; a store
// over any file can be built for tests. GUI thread only.
class CSelfStockStore
{
public:
    static constexpr int kMaxNameLength = 32;
    static constexpr int kFileVersion = 1;
    static constexpr qint64 kMaxFileSize = 4 << 20;

    struct Group {
        QString name;
        QStringList stocks;
    };

    // <user data folder>/selfstocks.json.
    CSelfStockStore();
    explicit CSelfStockStore(const QString& filePath);

    static CSelfStockStore* instance();
    static QString defaultGroup(); // "自选股"
    static QString defaultFilePath();

    const QString& filePath() const { return m_path; }
    // Reads the file again (changes not written are dropped).
    void reload();
    // True when the last read found a file it could not use.
    bool fileWasBad() const { return m_fileBad; }

    QStringList groups() const;
    // Keys of a group in the order they were added; empty for an unknown group.
    QStringList stocks(const QString& group) const;
    bool hasGroup(const QString& group) const;

    // Adds the keys to the group, creating the group when it is new; keys it
    // holds already are ignored. False (nothing changes) for an invalid group
    // name or when the file cannot be written; the reason goes to *error.
    bool addStocks(const QString& group, const QStringList& keys, QString* error = nullptr);
    // Removes one key from a group; false when it is not there or the file
    // cannot be written.
    bool removeStock(const QString& group, const QString& key, QString* error = nullptr);

    // The file's content as groups (the default group added when missing);
    // false with the reason in *why when the text is unusable as a whole.
    // Entries breaking the rules are skipped and described in *skipped.
    static bool parse(const QByteArray& text, QVector<Group>& groups, QString* why = nullptr,
                      QStringList* skipped = nullptr);
    static QByteArray serialize(const QVector<Group>& groups);

private:
    int findGroup(const QString& name) const;
    bool write(const QVector<Group>& groups, QString* error);

    QString m_path;
    QVector<Group> m_groups;
    bool m_fileBad = false;
};

} // namespace TC
