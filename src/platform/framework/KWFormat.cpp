// Number formatting for labels.
#include "platform/framework/KWFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QFontMetrics>

namespace KW {

namespace {

constexpr int kMaxDecimals = 10;
constexpr double kWanThreshold = 1e5;
constexpr double kWan = 1e4;
constexpr double kYi = 1e8;
constexpr int kUnitDecimals = 2;

// Fixed-point text without a sign on a value that rounds to zero.
QString fixedText(double v, int decimals)
{
    QString s = QString::number(v, 'f', decimals);
    if (s.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (int i = 1; i < s.size() && zero; ++i)
            zero = s.at(i) == QLatin1Char('0') || s.at(i) == QLatin1Char('.');
        if (zero)
            s.remove(0, 1);
    }
    return s;
}

bool hasNonZeroDigit(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.isDigit() && c != QLatin1Char('0'); });
}

QString withPlus(const QString& s, bool showPlus)
{
    if (showPlus && !s.startsWith(QLatin1Char('-')) && hasNonZeroDigit(s))
        return QLatin1Char('+') + s;
    return s;
}

// The unit is chosen on the rounded text so a value just under a threshold
// never shows as "100000.00" or "10000.00万".
QString unitsText(double v, int decimals, int unitDecimals = kUnitDecimals)
{
    const QString plain = fixedText(v, decimals);
    if (std::fabs(plain.toDouble()) < kWanThreshold)
        return plain;
    const QString wan = fixedText(v / kWan, unitDecimals);
    if (std::fabs(wan.toDouble()) < kYi / kWan)
        return wan + QStringLiteral("万");
    return fixedText(v / kYi, unitDecimals) + QStringLiteral("亿");
}

} // namespace

QString formatDoubleNumber(double value, int decimals, int flags, bool showPlus, const QString& invalidText)
{
    if (!std::isfinite(value) || std::fabs(value) >= std::numeric_limits<double>::max())
        return invalidText;
    const int d = std::min(kMaxDecimals, std::max(0, decimals));

    if (flags & kFormatPercent) {
        const double pct = value * 100.0;
        if (!std::isfinite(pct))
            return invalidText;
        return withPlus(fixedText(pct, d), showPlus) + QLatin1Char('%');
    }
    if (flags & kFormatUnits)
        return withPlus(unitsText(value, d), showPlus);
    return withPlus(fixedText(value, d), showPlus);
}

QString formatDoubleNumberToFit(double value, int decimals, int flags, const QFontMetrics& fm, int width,
                                const QString& invalidText)
{
    QString text = formatDoubleNumber(value, decimals, flags, false, invalidText);
    if (fm.horizontalAdvance(text) <= width || text == invalidText)
        return text;
    const bool units = (flags & kFormatUnits) && !(flags & kFormatPercent);
    const int d = std::min(kMaxDecimals, std::max(0, decimals));
    // Fewer decimals first (of the unit figure when a unit is shown); the
    // unit itself always stays.
    for (int k = (units ? std::max(d, kUnitDecimals) : d) - 1; k >= 0; --k) {
        if (units)
            text = unitsText(value, std::min(d, k), std::min(kUnitDecimals, k));
        else if (flags & kFormatPercent)
            text = fixedText(value * 100.0, k) + QLatin1Char('%');
        else
            text = fixedText(value, k);
        if (fm.horizontalAdvance(text) <= width)
            break;
    }
    return text;
}

QString formatIntNumber(qint64 value, int flags, bool showPlus, const QString& invalidText)
{
    if (value == std::numeric_limits<qint64>::min() || value == std::numeric_limits<qint64>::max())
        return invalidText;

    if (flags & kFormatPercent) {
        // Appending the two zeros is exact where multiplying could overflow.
        const QString s = value == 0 ? QStringLiteral("0") : QString::number(value) + QStringLiteral("00");
        return withPlus(s, showPlus) + QLatin1Char('%');
    }
    if ((flags & kFormatUnits) && (value >= qint64(kWanThreshold) || value <= -qint64(kWanThreshold)))
        return withPlus(unitsText(static_cast<double>(value), 0), showPlus);
    return withPlus(QString::number(value), showPlus);
}

} // namespace KW
