#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include "CKLineViewLayout.h"

namespace TC {

// The command line of klineview:
//
//   klineview [--instrument KEY] [--period P] [--dr T] [--indexes MA,VOL,MACD,KDJ]
//             [--size WxH] [--snapshot FILE.png] [--list] [--realtime]
//
// --period takes seconds of the chart's period table ("86400") or a name:
// "tick", "1m" "3m" "5m" "10m" "15m" "30m" "60m" (also "1h"), "day", "week",
// "month", "quarter", "halfyear", "year"; other counts give the N-unit
// periods: "2d" (N days), "2h" (N hours), "7m" (N minutes). The bare codes
// 10, 11 and 13 are refused since they say nothing about N.
// --dr takes 0..4 or the ex-rights names ("前复权", ...).
// --size is bounded to 320x240 .. 8192x8192 so the chart always fits and a
// typo cannot ask for gigabytes.
//
// parse() checks the syntax only and needs no application object (nor does
// the help text); validate() checks instrument and formulas against the
// market store and the formula catalogue and turns the instrument into the
// store's key. Options given on the command line win over the saved layout;
// wasGiven() tells which were, startLayout() merges them.
class CKLineViewOptions
{
public:
    enum Status { kOk, kHelp, kError };
    // Exit status for bad arguments.
    static constexpr int kBadArguments = 2;
    static constexpr int kMinWidth = 320;
    static constexpr int kMinHeight = 240;
    static constexpr int kMaxSide = 8192;

    // `arguments` starts with the program name. *message receives the help
    // text (kHelp) or the reason (kError).
    Status parse(const QStringList& arguments, QString* message);
    bool validate(QString* error);
    // The usage text of --help.
    static QString helpText();
    // `saved` with every field the command line gave explicitly (call after
    // validate(), so the instrument is the store's key).
    CKLineViewLayout startLayout(const CKLineViewLayout& saved) const;

    const CKLineViewLayout& layout() const { return m_layout; }
    QSize size() const { return m_size; }
    const QString& snapshotFile() const { return m_snapshotFile; }
    bool isSnapshot() const { return !m_snapshotFile.isEmpty(); }
    bool isList() const { return m_list; }
    bool isRealtime() const { return m_realtime; }
    // "instrument", "period", "dr" or "indexes" given explicitly.
    bool wasGiven(const QString& option) const { return m_given.contains(option); }

    // Period in seconds (or code 10/11/13 with *multiple = N); -1 with the
    // reason in *error.
    static int parsePeriod(const QString& text, int* multiple, QString* error);
    static bool parseSize(const QString& text, QSize* size, QString* error);
    static int parseDrType(const QString& text, QString* error);

private:
    CKLineViewLayout m_layout;
    QSize m_size{1600, 900};
    QString m_snapshotFile;
    bool m_list = false;
    bool m_realtime = false;
    QStringList m_given;
};

} // namespace TC
