// Theme files: parsing and applying `key=value` overrides.
#include "platform/framework/CUiResource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QTextStream>

#include "platform/config/QLLog.h"

namespace KW {

namespace {

constexpr qint64 kMaxThemeFileBytes = 1024 * 1024;

bool parseColour(const QString& value, QColor& out)
{
    if (value.contains(QLatin1Char(','))) {
        const QStringList parts = value.split(QLatin1Char(','));
        if (parts.size() != 3 && parts.size() != 4)
            return false;
        int c[4] = {0, 0, 0, 255};
        for (int i = 0; i < parts.size(); ++i) {
            bool ok = false;
            c[i] = parts[i].trimmed().toInt(&ok);
            if (!ok || c[i] < 0 || c[i] > 255)
                return false;
        }
        out = QColor(c[0], c[1], c[2], c[3]);
        return true;
    }
    if (!QColor::isValidColor(value))
        return false;
    out = QColor(value);
    return out.isValid();
}

bool parseFont(const QString& value, QFont& out)
{
    const QStringList parts = value.split(QLatin1Char(';'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    QStringList families;
    for (const QString& f : parts[0].split(QLatin1Char(','))) {
        const QString name = f.trimmed();
        if (!name.isEmpty())
            families << name;
    }
    if (families.isEmpty())
        return false;
    QString sizeText = parts[1].trimmed();
    if (sizeText.endsWith(QLatin1String("px"), Qt::CaseInsensitive))
        sizeText.chop(2);
    bool ok = false;
    const int px = sizeText.trimmed().toInt(&ok);
    if (!ok || px <= 0 || px > CUiResource::kMaxFontPixelSize)
        return false;
    bool bold = false;
    if (parts.size() == 3) {
        const QString w = parts[2].trimmed().toLower();
        if (w == QLatin1String("bold"))
            bold = true;
        else if (w != QLatin1String("normal") && !w.isEmpty())
            return false;
    }
    QFont f(families.first());
    f.setFamilies(families);
    f.setPixelSize(px);
    f.setBold(bold);
    out = f;
    return true;
}

} // namespace

bool CUiResource::kindFromKeyName(const QString& key, CThemeEntry::EKind& kind)
{
    for (const QString& part : key.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("clr")) {
            kind = CThemeEntry::Colour;
            return true;
        }
        if (part == QLatin1String("fnt")) {
            kind = CThemeEntry::Font;
            return true;
        }
        if (part == QLatin1String("siz")) {
            kind = CThemeEntry::Size;
            return true;
        }
        if (part == QLatin1String("img")) {
            kind = CThemeEntry::Picture;
            return true;
        }
    }
    return false;
}

bool CUiResource::parseEntry(const QString& key, const QString& value, const QString& baseDir,
                             CThemeEntry& out, QString& error) const
{
    static const QRegularExpression keyPattern(QStringLiteral("^[A-Za-z0-9_]+$"));
    if (!keyPattern.match(key).hasMatch()) {
        error = QStringLiteral("invalid key");
        return false;
    }
    CThemeEntry::EKind kind;
    auto it = m_table.constFind(key);
    if (it != m_table.constEnd()) {
        kind = it->kind;
    } else if (!kindFromKeyName(key, kind)) {
        error = QStringLiteral("unknown key of unknown kind");
        return false;
    }
    if (value.isEmpty()) {
        error = QStringLiteral("empty value");
        return false;
    }

    switch (kind) {
    case CThemeEntry::Colour: {
        QColor c;
        if (!parseColour(value, c)) {
            error = QStringLiteral("invalid colour");
            return false;
        }
        out = CThemeEntry::makeColour(c);
        return true;
    }
    case CThemeEntry::Font: {
        QFont f;
        if (!parseFont(value, f)) {
            error = QStringLiteral("invalid font (families;pixel size[;bold])");
            return false;
        }
        out = CThemeEntry::makeFont(f);
        return true;
    }
    case CThemeEntry::Size: {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 0 || n > kMaxSize) {
            error = QStringLiteral("invalid size (an integer 0..%1)").arg(kMaxSize);
            return false;
        }
        out = CThemeEntry::makeSize(n);
        return true;
    }
    case CThemeEntry::Picture: {
        const QString path = QDir::isAbsolutePath(value) ? value : QDir(baseDir).filePath(value);
        QImageReader reader(path);
        if (!QFileInfo(path).isFile() || !reader.canRead()) {
            error = QStringLiteral("unreadable picture file");
            return false;
        }
        CThemeEntry e;
        e.kind = CThemeEntry::Picture;
        e.imageFile = QFileInfo(path).absoluteFilePath();
        out = e;
        return true;
    }
    }
    error = QStringLiteral("unsupported kind");
    return false;
}

bool CUiResource::loadThemeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QLLOG_WARN(qlog::kStdLogger, "cannot open theme file:%1%", path);
        return false;
    }
    if (file.size() > kMaxThemeFileBytes) {
        QLLOG_WARN(qlog::kStdLogger, "theme file too large:%1%", path);
        return false;
    }
    const QString baseDir = QFileInfo(path).absolutePath();
    QTextStream in(&file);
    in.setCodec("UTF-8");

    QHash<QString, CThemeEntry> accepted;
    int lineNo = 0;
    bool clean = true;
    while (!in.atEnd()) {
        ++lineNo;
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        QString error;
        CThemeEntry entry;
        if (eq <= 0) {
            error = QStringLiteral("expected key=value");
        } else {
            const QString key = line.left(eq).trimmed();
            const QString value = line.mid(eq + 1).trimmed();
            if (parseEntry(key, value, baseDir, entry, error)) {
                accepted.insert(key, entry);
                continue;
            }
        }
        clean = false;
        QLLOG_WARN(qlog::kStdLogger, "%1%:%2%: %3%, line skipped", path, lineNo, error);
    }

    if (!accepted.isEmpty()) {
        for (auto it = accepted.constBegin(); it != accepted.constEnd(); ++it)
            m_table.insert(it.key(), it.value());
        m_pixmapCache.clear();
        QLLOG_INFO(qlog::kStdLogger, "theme file:%1%, entries:%2%", path, accepted.size());
        notify(ENotice::Theme);
    }
    return clean;
}

} // namespace KW
