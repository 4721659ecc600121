// Text, time and instrument-key conversions shared by the widgets.
#include <algorithm>
#include <limits>

#include "platform/framework/KWFormat.h"

namespace KW {

QString sToQs(const std::string& text)
{
    const size_t n = std::min(text.size(), static_cast<size_t>(std::numeric_limits<int>::max()));
    return QString::fromUtf8(text.data(), static_cast<int>(n));
}

QString sToQs(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

std::string qsToS(const QString& text)
{
    return text.toUtf8().toStdString();
}

QDateTime secondToQDateTime(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
}

QString nvStockKey(const QString& code, const QString& market)
{
    return market + code;
}

} // namespace KW
