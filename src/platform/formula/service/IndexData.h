#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace se {

// Extension data generated from a chart: a table of values per instrument
// over time. The holding data of a group model has one column per traded
// instrument and one row per bar on which the model traded, holding the
// signed volume held after that bar's trades.
//
// Storage (under <user data>/EP/): the rows as text at `path`
// ("time,<code>,<code>..." then one "seconds,value,..." line per row) and
// the description as JSON at `path + ".cfg"`. Both are written atomically;
// a failed write leaves the previous files untouched.
class IndexData
{
public:
    struct Row {
        qint64 time = 0; // seconds
        QVector<double> values; // parallel to codes
    };

    QString name;
    QString formula;
    QStringList codes;
    QVector<Row> rows;

    bool saveHoldingExDataConfig(const QString& path, QString* error = nullptr) const;
    bool saveHoldingExData(const QString& path, QString* error = nullptr) const;
    // Re-reads the stored files at `path` into this object (name, formula,
    // codes, rows); false and unchanged when they are missing or malformed.
    bool creatData(const QString& path, QString* error = nullptr);
    // Drops the rows held in memory (the files stay).
    void cleanStorage();

    static QString configPath(const QString& path) { return path + QStringLiteral(".cfg"); }

    // The two stored texts. Parsing refuses (false, `out` untouched) a text
    // whose header does not start with "time", a row whose field count
    // differs from the header's, a non-numeric or non-finite field, and
    // times that do not strictly ascend.
    static QByteArray serializeRows(const IndexData& data);
    static bool parseRows(const QByteArray& text, IndexData& out, QString* error = nullptr);
    static QByteArray serializeConfig(const IndexData& data);
    static bool parseConfig(const QByteArray& text, IndexData& out, QString* error = nullptr);
};

} // namespace se
