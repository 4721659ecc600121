#include "platform/market/CCsvLoader.h"

#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLocale>

#include "platform/config/QLLog.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

enum EField { FTime, FOpen, FHigh, FLow, FClose, FVolume, FAmount, FCount };

const char* const kFieldNames[FCount] = {"time", "open", "high", "low", "close", "volume", "amount"};

QStringList splitFields(const QString& line)
{
    QStringList fields = line.split(QLatin1Char(','));
    for (QString& f : fields) {
        f = f.trimmed();
        if (f.size() >= 2 && f.startsWith(QLatin1Char('"')) && f.endsWith(QLatin1Char('"')))
            f = f.mid(1, f.size() - 2).trimmed();
    }
    return fields;
}

// A parsed time field: the date and, for a date-time, the minute of the day.
struct TimeValue {
    QDate date;
    int minute = -1; // -1: date only
    int second = 0;
};

// `n` ASCII digits at `p` as a number.
bool digitsAt(const QChar* p, int n, int& value)
{
    value = 0;
    for (int i = 0; i < n; ++i) {
        const ushort c = p[i].unicode();
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// yyyy-MM-dd or yyyyMMdd, optionally followed by ' ' or 'T' and H:mm, HH:mm or
// HH:mm:ss. Read by hand: a pattern match per row was most of a big file's load.
bool parseTime(const QString& text, TimeValue& out)
{
    const QChar* p = text.constData();
    const int n = text.size();
    int y = 0, mo = 0, d = 0;
    if (n < 8 || !digitsAt(p, 4, y))
        return false;
    int i = 4;
    // Dashes must be both present or both absent.
    const bool dashed = p[i] == QLatin1Char('-');
    i += dashed ? 1 : 0;
    if (i + 2 > n || !digitsAt(p + i, 2, mo))
        return false;
    i += 2;
    if (dashed) {
        if (i >= n || p[i] != QLatin1Char('-'))
            return false;
        ++i;
    }
    if (i + 2 > n || !digitsAt(p + i, 2, d))
        return false;
    i += 2;
    out.date = QDate(y, mo, d);
    if (!out.date.isValid())
        return false;
    out.minute = -1;
    out.second = 0;
    if (i == n)
        return true;
    if (p[i] != QLatin1Char(' ') && p[i] != QLatin1Char('T'))
        return false;
    ++i;
    int hourDigits = 0;
    while (hourDigits < 2 && i + hourDigits < n && p[i + hourDigits].unicode() >= '0' &&
           p[i + hourDigits].unicode() <= '9')
        ++hourDigits;
    int h = 0, mi = 0, sec = 0;
    if (hourDigits == 0 || !digitsAt(p + i, hourDigits, h))
        return false;
    i += hourDigits;
    if (i >= n || p[i] != QLatin1Char(':'))
        return false;
    ++i;
    if (i + 2 > n || !digitsAt(p + i, 2, mi))
        return false;
    i += 2;
    if (i < n) {
        if (p[i] != QLatin1Char(':') || i + 3 != n || !digitsAt(p + i + 1, 2, sec))
            return false;
        i = n;
    }
    if (h > 23 || mi > 59 || sec > 59)
        return false;
    out.minute = h * 60 + mi;
    out.second = sec;
    return true;
}

bool parseNumber(const QString& text, double& out)
{
    bool ok = false;
    out = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(out);
}

// Column index of a header name; -1 when the name is not one of ours.
int fieldOfHeader(const QString& rawName)
{
    const QString n = rawName.toLower();
    if (n == QLatin1String("open"))
        return FOpen;
    if (n == QLatin1String("high"))
        return FHigh;
    if (n == QLatin1String("low"))
        return FLow;
    if (n == QLatin1String("close"))
        return FClose;
    if (n == QLatin1String("volume") || n == QLatin1String("vol"))
        return FVolume;
    if (n == QLatin1String("amount") || n == QLatin1String("turnover") || n == QLatin1String("value"))
        return FAmount;
    if (n == QLatin1String("timestamp") || n == QLatin1String("day") || n.startsWith(QLatin1String("date")) ||
        n.startsWith(QLatin1String("time")))
        return FTime;
    return -1;
}

} // namespace

bool CCsvLoader::fail(const QString& file, int line, int column, const QString& columnName,
                      const QString& what)
{
    m_bars.clear();
    m_errorLine = line;
    m_errorColumn = column;
    if (line <= 0)
        m_error = QStringLiteral("%1: %2").arg(file, what);
    else if (column <= 0)
        m_error = QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(what);
    else
        m_error =
            QStringLiteral("%1:%2: column %3 (%4): %5").arg(file).arg(line).arg(column).arg(columnName, what);
    return false;
}

bool CCsvLoader::load(const QString& path)
{
    const QString name = QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(name, 0, 0, QString(), QStringLiteral("cannot open: %1").arg(f.errorString()));
    if (f.size() > kMaxFileSize)
        return fail(name, 0, 0, QString(), QStringLiteral("larger than %1 bytes").arg(kMaxFileSize));
    return parse(f.readAll(), name);
}

bool CCsvLoader::parse(const QByteArray& content, const QString& fileName)
{
    m_bars.clear();
    m_error.clear();
    m_errorLine = 0;
    m_errorColumn = 0;
    m_hadHeader = false;
    m_barSize = BarSizeAuto;

    QByteArray bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QList<QByteArray> lines = bytes.split('\n');

    int column[FCount];
    for (int& c : column)
        c = -1;
    QStringList columnNames;
    int fieldCount = -1;
    EBarSize size = m_requested;
    QVector<quoter::CBar> out;
    out.reserve(lines.size());
    int prevLine = 0;
    CLocalTimeConverter clock;

    for (int li = 0; li < lines.size(); ++li) {
        const int lineNo = li + 1;
        QString line = QString::fromUtf8(lines[li]);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = splitFields(line);

        if (fieldCount < 0) {
            // First line: a header or the first row.
            TimeValue tv;
            bool allNumbers = true;
            for (int i = 1; i < fields.size(); ++i) {
                double v = 0.0;
                allNumbers = allNumbers && parseNumber(fields[i], v);
            }
            if (!parseTime(fields[0], tv) && !allNumbers) {
                m_hadHeader = true;
                for (int i = 0; i < fields.size(); ++i) {
                    const int f = fieldOfHeader(fields[i]);
                    if (f < 0)
                        continue;
                    if (column[f] >= 0)
                        return fail(fileName, lineNo, i + 1, fields[i], QStringLiteral("duplicate column"));
                    column[f] = i;
                }
                for (int f = FTime; f <= FVolume; ++f) {
                    if (column[f] < 0)
                        return fail(
                            fileName, lineNo, 0, QString(),
                            QStringLiteral("header has no %1 column").arg(QLatin1String(kFieldNames[f])));
                }
                fieldCount = fields.size();
                columnNames = fields;
                continue;
            }
            if (fields.size() != 6 && fields.size() != 7)
                return fail(fileName, lineNo, std::min<int>(fields.size(), 6) + 1, QStringLiteral("-"),
                            QStringLiteral("expected 6 or 7 columns, found %1").arg(fields.size()));
            fieldCount = fields.size();
            for (int f = 0; f < fieldCount; ++f) {
                column[f] = f;
                columnNames.append(QLatin1String(kFieldNames[f]));
            }
        }

        if (fields.size() != fieldCount)
            return fail(fileName, lineNo, std::min<int>(fields.size(), fieldCount) + 1,
                        fields.size() < fieldCount ? columnNames.value(fields.size()) : QStringLiteral("-"),
                        QStringLiteral("expected %1 columns, found %2").arg(fieldCount).arg(fields.size()));
        auto failAt = [&](int f, const QString& what) {
            return fail(fileName, lineNo, column[f] + 1, columnNames.value(column[f]), what);
        };

        TimeValue tv;
        const QString& timeText = fields[column[FTime]];
        if (!parseTime(timeText, tv))
            return failAt(FTime, QStringLiteral("\"%1\" is not a date (yyyy-MM-dd, yyyyMMdd) or date-time "
                                                "(yyyy-MM-dd HH:mm[:ss])")
                                     .arg(timeText));
        if (size == BarSizeAuto)
            size = tv.minute < 0 ? BarSizeDay : BarSizeMinute;
        if (size == BarSizeDay && tv.minute > 0)
            return failAt(FTime, QStringLiteral("\"%1\": a daily file needs dates").arg(timeText));
        if (size == BarSizeMinute && tv.minute < 0)
            return failAt(FTime, QStringLiteral("\"%1\": a one-minute file needs date-times").arg(timeText));
        if (tv.second != 0)
            return failAt(FTime, QStringLiteral("\"%1\": seconds must be 00").arg(timeText));

        double v[FCount] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        for (int f = FOpen; f < FCount; ++f) {
            if (column[f] < 0)
                continue;
            const QString& text = fields[column[f]];
            if (!parseNumber(text, v[f]))
                return failAt(f, text.isEmpty() ? QStringLiteral("empty value")
                                                : QStringLiteral("\"%1\" is not a number").arg(text));
        }
        if (v[FLow] > std::min(v[FOpen], v[FClose]))
            return failAt(
                FLow,
                QStringLiteral("low %1 above open %2 or close %3").arg(v[FLow]).arg(v[FOpen]).arg(v[FClose]));
        if (v[FHigh] < std::max(v[FOpen], v[FClose]))
            return failAt(FHigh, QStringLiteral("high %1 below open %2 or close %3")
                                     .arg(v[FHigh])
                                     .arg(v[FOpen])
                                     .arg(v[FClose]));
        if (v[FVolume] < 0.0)
            return failAt(FVolume, QStringLiteral("negative volume %1").arg(v[FVolume]));
        if (column[FAmount] >= 0 && v[FAmount] < 0.0)
            return failAt(FAmount, QStringLiteral("negative amount %1").arg(v[FAmount]));

        quoter::CBar bar;
        if (size == BarSizeDay)
            bar.time = clock.localTime(tv.date, 0);
        else
            bar.time = clock.localTime(tv.date, tv.minute) + (m_minuteIsStart ? 60 : 0);
        bar.open = v[FOpen];
        bar.high = v[FHigh];
        bar.low = v[FLow];
        bar.close = v[FClose];
        bar.volume = v[FVolume];
        bar.amount = column[FAmount] >= 0 ? v[FAmount]
                                          : v[FVolume] * (v[FOpen] + v[FHigh] + v[FLow] + v[FClose]) / 4.0;
        if (!out.isEmpty() && bar.time <= out.last().time)
            return failAt(
                FTime, QStringLiteral("\"%1\" is not after the row of line %2").arg(timeText).arg(prevLine));
        out.append(bar);
        prevLine = lineNo;
    }
    if (out.isEmpty())
        return fail(fileName, 0, 0, QString(), QStringLiteral("no data rows"));
    m_bars = out;
    m_barSize = size;
    return true;
}

bool CCsvLoader::loadInstrument(CMarketStore& store, const qlservice::CInstrumentDetail& detail,
                                const QStringList& files, QString* error)
{
    QVector<quoter::CBar> days;
    QVector<quoter::CBar> minutes;
    bool haveDays = false;
    bool haveMinutes = false;
    auto failWith = [&](const QString& why) {
        if (error)
            *error = why;
        QLLOG_WARN_S(qlog::kStdLogger, "%1%", why);
        return false;
    };
    if (files.isEmpty())
        return failWith(QStringLiteral("no file given"));
    for (const QString& path : files) {
        CCsvLoader loader;
        if (!loader.load(path))
            return failWith(loader.errorString());
        const bool isDay = loader.barSize() == BarSizeDay;
        if ((isDay && haveDays) || (!isDay && haveMinutes))
            return failWith(QStringLiteral("%1: a second %2 file for one instrument")
                                .arg(QFileInfo(path).fileName(),
                                     isDay ? QStringLiteral("daily") : QStringLiteral("one-minute")));
        (isDay ? days : minutes) = loader.bars();
        (isDay ? haveDays : haveMinutes) = true;
    }
    if (!store.addInstrument(detail, days, minutes))
        return failWith(
            QStringLiteral("%1: refused by the market store").arg(QString::fromStdString(detail.key)));
    if (error)
        error->clear();
    return true;
}

} // namespace TC
