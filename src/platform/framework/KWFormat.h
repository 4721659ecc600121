#pragma once

#include <string>

#include <QDateTime>
#include <QString>
#include <QtGlobal>

class QFontMetrics;

// Number formatting for labels, and the small conversions the widgets share.
namespace KW {

// Percentage: value x 100 with the given decimals and a "%" suffix.
constexpr int kFormatPercent = 0x10000;
// Large-number units, for axis and value labels: |v| >= 1e8 is shown as v / 1e8
// with 2 decimals and "亿", |v| >= 1e5 as v / 1e4 with 2 decimals and "万",
// anything smaller plainly with the given decimals. The unit is chosen after
// rounding, so 99999.999 with 2 decimals reads "10.00万", not "100000.00".
// When both flags are set, the percentage wins (a ratio never needs units).
constexpr int kFormatUnits = 0x40000;

// Formats a price or indicator value.
// - "No value" (the largest double, either sign), NaN and infinities give
//   `invalidText`.
// - decimals below 0 count as 0, above 10 as 10.
// - showPlus prefixes "+" on values that are positive after rounding.
// - A value that rounds to zero never carries a sign ("0.00", not "-0.00").
// - Text is locale-independent: '.' decimal point, no group separators.
QString formatDoubleNumber(double value, int decimals, int flags = 0, bool showPlus = false,
                           const QString& invalidText = QString());

// formatDoubleNumber for a box `width` pixels wide in the font of `fm`: when
// the text is wider, it drops decimals (of the figure before "万"/"亿" when
// units are shown: "843.67万", "843.7万", "844万") until it fits or none are
// left. The unit and the integer digits are never cut, so a label may
// still be wider than the box at 0 decimals.
QString formatDoubleNumberToFit(double value, int decimals, int flags, const QFontMetrics& fm, int width,
                                const QString& invalidText = QString());

// Formats an integer count. INT64_MIN and INT64_MAX are "no value" and give
// `invalidText`. kFormatUnits as for doubles (2 decimals in units);
// kFormatPercent multiplies by 100 exactly ("3" -> "300%").
QString formatIntNumber(qint64 value, int flags = 0, bool showPlus = false,
                        const QString& invalidText = QString());

// 8-bit texts of the services are UTF-8.
QString sToQs(const std::string& text);
QString sToQs(const char* text); // null gives ""
std::string qsToS(const QString& text);

// Local date-time of seconds since 1970 (UTC).
QDateTime secondToQDateTime(qint64 seconds);

// Instrument key of code and market (note the order): ("600000", "SH") -> "SH600000".
QString nvStockKey(const QString& code, const QString& market);

} // namespace KW
