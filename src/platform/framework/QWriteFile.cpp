#include "platform/framework/QWriteFile.h"

#include <cerrno>

#include <QDir>
#include <QSaveFile>

#include "platform/config/QLLog.h"

namespace TC {

namespace {

// A short write (file size limit) leaves Qt with "Unknown error"; the
// system's word for it is clearer.
QString reasonOf(const QSaveFile& file)
{
    const int code = errno;
    if (file.error() != QFileDevice::NoError && file.errorString() != QLatin1String("Unknown error"))
        return file.errorString();
    return code != 0 ? qt_error_string(code) : file.errorString();
}

} // namespace

bool QWriteFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QString why;
    if (path.isEmpty()) {
        why = QStringLiteral("no file name");
    } else {
        QSaveFile file(path);
        errno = 0;
        if (!file.open(QIODevice::WriteOnly))
            why = reasonOf(file);
        else if (file.write(bytes) != bytes.size())
            why = reasonOf(file);
        // A short text stays in the device's buffer, and commit() does not
        // notice when writing that buffer out fails (full disk): it would
        // rename a truncated file over the old one. So flush first.
        else if (!file.flush())
            why = reasonOf(file);
        else if (!file.commit())
            why = reasonOf(file);
        if (!why.isEmpty() && file.isOpen())
            file.cancelWriting();
    }
    if (why.isEmpty())
        return true;
    QLLOG_ERROR_S(qlog::kStdLogger, "cannot write %1%: %2%", path, why);
    if (error)
        *error = QStringLiteral("无法写入 %1: %2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

bool QWriteFile(const QString& path, const QString& text, QString* error)
{
    return QWriteFile(path, text.toUtf8(), error);
}

} // namespace TC
