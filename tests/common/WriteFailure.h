#pragma once

#include <memory>

#include <sys/resource.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ktest {

// Ways to make a file write fail, for the tests that prove a failed write
// leaves the previous file as it was.

// A folder that refuses new entries while this lives: mode 0555 and, where
// that does not stop this process (tests may run as root), the immutable
// attribute. available() is false where neither holds (no such attribute on
// the file system, no right to set it); the caller then skips that case.
class ScopedReadOnlyFolder
{
public:
    explicit ScopedReadOnlyFolder(const QString& folder);
    ~ScopedReadOnlyFolder();
    ScopedReadOnlyFolder(const ScopedReadOnlyFolder&) = delete;
    ScopedReadOnlyFolder& operator=(const ScopedReadOnlyFolder&) = delete;

    bool available() const { return m_blocked; }

private:
    bool refusesNewFiles() const;

    QString m_folder;
    bool m_immutable = false;
    bool m_blocked = false;
};

// A full disk for this process: files cannot grow past `bytes` (RLIMIT_FSIZE,
// with SIGXFSZ ignored so the write fails instead of killing the process).
// Affects every file the process writes while it lives, root included.
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(rlim_t bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Either failure in one scope, so a writer's test runs the same steps under
// each: kReadOnlyFolder makes `folder` refuse new files, kFullDisk lets no
// file of the process grow at all. available() false: skip that kind.
class ScopedWriteFailure
{
public:
    enum Kind { kReadOnlyFolder, kFullDisk };
    ScopedWriteFailure(Kind kind, const QString& folder);
    bool available() const { return !m_readOnly || m_readOnly->available(); }

private:
    std::unique_ptr<ScopedReadOnlyFolder> m_readOnly;
    std::unique_ptr<ScopedFileSizeLimit> m_full;
};
constexpr ScopedWriteFailure::Kind kWriteFailures[] = {ScopedWriteFailure::kReadOnlyFolder,
                                                       ScopedWriteFailure::kFullDisk};
inline const char* kindName(ScopedWriteFailure::Kind k)
{
    return k == ScopedWriteFailure::kReadOnlyFolder ? "read-only folder" : "full disk";
}

// Sets $KLINEVIEW_HOME (the user's data folder) for one test.
class ScopedUserHome
{
public:
    explicit ScopedUserHome(const QString& folder);
    ~ScopedUserHome();
    ScopedUserHome(const ScopedUserHome&) = delete;
    ScopedUserHome& operator=(const ScopedUserHome&) = delete;

private:
    QByteArray m_old;
};

QByteArray readFile(const QString& path);
// Writes directly (no helper under test); false when it could not.
bool writeFile(const QString& path, const QByteArray& bytes);
// Entries of a folder, hidden ones included: a failed atomic write leaves no
// temporary file behind.
QStringList folderEntries(const QString& folder);
// Tips (KW::CMessageTip) on screen whose text contains `fragment`; each one
// found is closed.
int closeTips(const QString& fragment);

} // namespace ktest
