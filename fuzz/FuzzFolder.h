#pragma once
// A scratch folder for targets whose parser reads files: made once per
// process, removed at exit, never the user's own folder.
#include <cstdlib>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <QTemporaryDir>

namespace fuzz {

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Logs and user files of a target stay out of the user's own folder unless
// KLINEVIEW_HOME names one.
inline void defaultHome(const char* name)
{
    if (qEnvironmentVariableIsEmpty("KLINEVIEW_HOME"))
        qputenv("KLINEVIEW_HOME", QDir::tempPath().toUtf8() + '/' + name);
}

inline QTemporaryDir& scratch()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kline_fuzz_XXXXXX"));
    check(dir.isValid());
    return dir;
}

// Writes bytes to a file under the scratch folder, making its folders.
inline QString writeFile(const QString& relative, const QByteArray& bytes)
{
    const QString path = scratch().filePath(relative);
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
    return path;
}

} // namespace fuzz
