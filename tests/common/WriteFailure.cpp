#include "common/WriteFailure.h"

#include <csignal>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QUuid>
#include <QWidget>

#include "platform/framework/CMessageTipWidget.h"

namespace ktest {

namespace {

bool setImmutable(const QString& folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

ScopedReadOnlyFolder::ScopedReadOnlyFolder(const QString& folder) : m_folder(folder)
{
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::ExeOther);
    m_blocked = refusesNewFiles();
    if (!m_blocked) {
        m_immutable = setImmutable(folder, true);
        m_blocked = m_immutable && refusesNewFiles();
    }
}

ScopedReadOnlyFolder::~ScopedReadOnlyFolder()
{
    if (m_immutable)
        setImmutable(m_folder, false);
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                        QFile::ExeOther);
}

bool ScopedReadOnlyFolder::refusesNewFiles() const
{
    const QString probe = QDir(m_folder).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    QFile f(probe);
    if (!f.open(QIODevice::WriteOnly))
        return true;
    f.close();
    f.remove();
    return false;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(rlim_t bytes)
{
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit cap = m_old;
    cap.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &cap);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

ScopedWriteFailure::ScopedWriteFailure(Kind kind, const QString& folder)
{
    if (kind == kReadOnlyFolder)
        m_readOnly.reset(new ScopedReadOnlyFolder(folder));
    else
        m_full.reset(new ScopedFileSizeLimit(0));
}

ScopedUserHome::ScopedUserHome(const QString& folder) : m_old(qgetenv("KLINEVIEW_HOME"))
{
    qputenv("KLINEVIEW_HOME", QFile::encodeName(folder));
}

ScopedUserHome::~ScopedUserHome()
{
    qputenv("KLINEVIEW_HOME", m_old);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

int closeTips(const QString& fragment)
{
    int found = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* tip = qobject_cast<KW::CMessageTipWidget*>(w);
        if (tip && tip->isVisible() && tip->text().contains(fragment)) {
            ++found;
            tip->close();
        }
    }
    return found;
}

} // namespace ktest
