#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/market/CBar.h"
#include "platform/market/CInstrumentDetail.h"

namespace TC {

class CMarketStore;

// Loads bars of one instrument from a CSV file.
//
// File layout
// - One file per instrument and bar size (daily or one-minute), UTF-8 (a BOM
//   is skipped), lines ending in LF or CRLF. Blank lines and lines starting
//   with '#' are skipped. Fields are separated by commas; blanks and double
//   quotes around a field are removed.
// - Columns, in this order when there is no header:
//     time, open, high, low, close, volume[, amount]
//   time is a date (yyyy-MM-dd or yyyyMMdd) for daily bars or a date-time
//   (yyyy-MM-dd HH:mm or yyyy-MM-dd HH:mm:ss, seconds 00) for one-minute bars,
//   in the exchange's local time.
// - Header line (optional): recognised when its first field is not a date
//   and some other field is not a number. With a header, columns are found by
//   name, in any order, case-insensitive: time ("date", "time", "datetime",
//   "timestamp", or a name starting with "date" or "time", such as
//   "datetime_us_eastern"), "open", "high", "low", "close", "volume" (or
//   "vol"), optional "amount" (or "turnover", "value"). Columns with other
//   names (adj_close, open_interest ...) are ignored; a row must still have
//   as many fields as the header.
// - A missing amount is taken as volume x (open + high + low + close) / 4.
// - Bar size: detected from the first data row (date: daily, date-time:
//   one-minute) unless given; every row must then have the same form (a daily
//   file may write midnight as 00:00 when the size is given as daily).
// - One-minute times name the START of the minute, as public feeds do
//   ("09:30" is the bar 09:30-09:31); they are stored by the bar's end minute
//   (09:31), the terminal's convention. setMinuteTimeIsBarStart(false) takes
//   them as end minutes unchanged.
// Checks, each reported as "<file>:<line>: column <n> (<name>): <what>", with
// the 1-based line of the file and the 1-based column: field count, dates and
// numbers (finite), low <= min(open, close), high >= max(open, close),
// volume >= 0, amount >= 0, time strictly ascending. A file with any error
// gives no bars at all.
class CCsvLoader
{
public:
    enum EBarSize { BarSizeAuto = 0, BarSizeDay = 1, BarSizeMinute = 2 };

    static constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;

    void setBarSize(EBarSize size) { m_requested = size; }
    void setMinuteTimeIsBarStart(bool on) { m_minuteIsStart = on; }

    // Reads and checks a file; false with errorString() on the first error.
    bool load(const QString& path);
    // The same for text already read; `fileName` names it in errors.
    bool parse(const QByteArray& content, const QString& fileName);

    const QVector<quoter::CBar>& bars() const { return m_bars; }
    EBarSize barSize() const { return m_barSize; } // the detected or given size of the last success
    bool hadHeader() const { return m_hadHeader; }
    QString errorString() const { return m_error; }
    int errorLine() const { return m_errorLine; }     // 0 when the error concerns no line
    int errorColumn() const { return m_errorColumn; } // 0 when the error concerns no column

    // Loads the files (at most one daily and one one-minute file) and adds the
    // instrument to the store; all or nothing. `error` receives the reason.
    static bool loadInstrument(CMarketStore& store, const qlservice::CInstrumentDetail& detail,
                               const QStringList& files, QString* error = nullptr);

private:
    bool fail(const QString& file, int line, int column, const QString& columnName, const QString& what);

    EBarSize m_requested = BarSizeAuto;
    bool m_minuteIsStart = true;
    QVector<quoter::CBar> m_bars;
    EBarSize m_barSize = BarSizeAuto;
    bool m_hadHeader = false;
    QString m_error;
    int m_errorLine = 0;
    int m_errorColumn = 0;
};

} // namespace TC
