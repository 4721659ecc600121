#include "platform/framework/QWriteFile.h"

#include <QDir>
#include <QSaveFile>

#include "platform/config/QLLog.h"

namespace TC {

bool QWriteFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QString why;
    if (path.isEmpty()) {
        why = QStringLiteral("no file name");
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            why = file.errorString();
        else if (file.write(bytes) != bytes.size())
            why = file.errorString();
        // commit() also reports a failure of the buffered part (a full disk
        // usually shows only at the flush) and of the final rename.
        else if (!file.commit())
            why = file.errorString();
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
