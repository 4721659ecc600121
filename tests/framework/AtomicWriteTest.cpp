// Files are replaced whole or not at all: a write that fails (read-only
// folder, full disk, a path that cannot be a file) leaves the previous file
// byte for byte, leaves no temporary file, and says why; the drawing store,
// whose callers are mouse gestures, tells the user in a tip.
#include <cerrno>
#include <memory>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/WriteFailure.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CDrawGraphManager.h"
#include "platform/framework/CMessageTip.h"
#include "platform/framework/QWriteFile.h"

namespace {

using ktest::folderEntries;
using ktest::readFile;

const QByteArray kOld = "previous content\n";

// Content longer than the size cap the full-disk cases set.
QByteArray bigContent()
{
    QByteArray b;
    for (int i = 0; b.size() < 256 * 1024; ++i)
        b += "row " + QByteArray::number(i) + ",1.25,3.5\n";
    return b;
}

class AtomicWrite : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("data.json"));
        ASSERT_TRUE(ktest::writeFile(m_path, kOld));
    }
    QTemporaryDir m_dir;
    QString m_path;
};

TEST_F(AtomicWrite, SuccessReplacesTheWholeContentLongerOrShorter)
{
    const QByteArray longer = bigContent();
    ASSERT_TRUE(TC::QWriteFile(m_path, longer));
    EXPECT_EQ(readFile(m_path), longer);
    ASSERT_TRUE(TC::QWriteFile(m_path, QByteArray("x")));
    EXPECT_EQ(readFile(m_path), QByteArray("x")); // nothing of the longer text stays
    ASSERT_TRUE(TC::QWriteFile(m_path, QByteArray()));
    EXPECT_EQ(QFileInfo(m_path).size(), 0);
    // Text goes out as UTF-8.
    ASSERT_TRUE(TC::QWriteFile(m_path, QStringLiteral("自选股,SH600000")));
    EXPECT_EQ(readFile(m_path), QByteArray("\xe8\x87\xaa\xe9\x80\x89\xe8\x82\xa1,SH600000"));
    EXPECT_EQ(folderEntries(m_dir.path()), QStringList{QStringLiteral("data.json")});
}

TEST_F(AtomicWrite, ReadOnlyFolderKeepsTheFileAndSaysWhy)
{
    qlog::CLogCapture log(qlog::kStdLogger);
    QString error;
    {
        ktest::ScopedReadOnlyFolder readOnly(m_dir.path());
        if (!readOnly.available())
            GTEST_SKIP() << "this file system lets the process write into any folder";
        EXPECT_FALSE(TC::QWriteFile(m_path, bigContent(), &error));
    }
    EXPECT_EQ(readFile(m_path), kOld);
    EXPECT_EQ(folderEntries(m_dir.path()), QStringList{QStringLiteral("data.json")});
    EXPECT_TRUE(error.startsWith(QStringLiteral("无法写入 ") + m_path + QStringLiteral(": ")))
        << error.toStdString();
    EXPECT_GT(error.size(), QStringLiteral("无法写入 ").size() + m_path.size() + 2); // a reason follows
    EXPECT_TRUE(log.contains("cannot write " + m_path.toStdString()));
}

TEST_F(AtomicWrite, FullDiskKeepsTheFileAndLeavesNoTemporary)
{
    qlog::CLogCapture log(qlog::kStdLogger);
    QString error;
    {
        ktest::ScopedFileSizeLimit full(4096);
        EXPECT_FALSE(TC::QWriteFile(m_path, bigContent(), &error));
    }
    EXPECT_EQ(readFile(m_path), kOld);
    EXPECT_EQ(folderEntries(m_dir.path()), QStringList{QStringLiteral("data.json")});
    EXPECT_TRUE(error.contains(m_path));
    // The system's reason, not Qt's "Unknown error" for a short write.
    EXPECT_TRUE(error.endsWith(qt_error_string(EFBIG))) << error.toStdString();
    EXPECT_TRUE(log.contains("cannot write " + m_path.toStdString()));
    // A short text, which the device only buffers until the commit, fails the
    // same way instead of replacing the file with an empty one.
    {
        ktest::ScopedFileSizeLimit full(0);
        QString shortError;
        EXPECT_FALSE(TC::QWriteFile(m_path, QByteArray("{\"short\": 1}"), &shortError));
        EXPECT_TRUE(shortError.endsWith(qt_error_string(EFBIG))) << shortError.toStdString();
    }
    EXPECT_EQ(readFile(m_path), kOld);
    EXPECT_EQ(folderEntries(m_dir.path()), QStringList{QStringLiteral("data.json")});
    // Within the cap the same call works: the cap, not the call, failed it.
    {
        ktest::ScopedFileSizeLimit full(4096);
        EXPECT_TRUE(TC::QWriteFile(m_path, QByteArray(4000, 'a')));
    }
    EXPECT_EQ(readFile(m_path), QByteArray(4000, 'a'));
}

TEST_F(AtomicWrite, PathsThatCannotBeAFileFailWithoutSideEffects)
{
    QString error;
    // The parent is a regular file.
    EXPECT_FALSE(TC::QWriteFile(m_path + QStringLiteral("/inner.json"), QByteArray("x"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFile(m_path), kOld);
    // A missing folder is not created.
    const QString missing = m_dir.filePath(QStringLiteral("no/such/folder/out.csv"));
    EXPECT_FALSE(TC::QWriteFile(missing, QByteArray("x"), &error));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("no"))));
    // A folder stands where the file would go.
    const QString folder = m_dir.filePath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(TC::QWriteFile(folder, QByteArray("x"), &error));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(TC::QWriteFile(QString(), QByteArray("x"), &error));
    EXPECT_EQ(folderEntries(m_dir.path()), (QStringList{QStringLiteral("data.json"), QStringLiteral("sub")}));
    // Without an error pointer the failure is still only a false.
    EXPECT_FALSE(TC::QWriteFile(folder, QByteArray("x")));
}

// The drawing store in a private user folder, reloaded on entry and exit.
class DrawingStoreWrite : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_home.reset(new ktest::ScopedUserHome(m_dir.path()));
        TC::CDrawGraphManager::instance()->reload();
    }
    void TearDown() override
    {
        m_home.reset();
        TC::CDrawGraphManager::instance()->reload();
    }
    static bson::BSONObj record(const std::string& note)
    {
        bson::BSONObjBuilder b;
        b.append("type", 1);
        b.append("note", note);
        return b.obj();
    }
    QTemporaryDir m_dir;
    std::unique_ptr<ktest::ScopedUserHome> m_home;
};

TEST_F(DrawingStoreWrite, AFailedSaveKeepsTheFileTellsTheUserAndKeepsTheDrawingOnScreen)
{
    const QString path = TC::CDrawGraphManager::instance()->filePath();
    ASSERT_TRUE(path.startsWith(m_dir.path()));
    ASSERT_TRUE(TC::CDrawGraphManager::setGraphData(QStringLiteral("SH600000|60"), record("first")));
    const QByteArray saved = readFile(path);
    ASSERT_FALSE(saved.isEmpty());

    const int tips = KW::CMessageTip::shownCount();
    {
        ktest::ScopedFileSizeLimit full(saved.size());
        EXPECT_FALSE(TC::CDrawGraphManager::setGraphData(QStringLiteral("SH600000|60"),
                                                         record(std::string(64 * 1024, 'n'))));
    }
    EXPECT_EQ(readFile(path), saved);
    EXPECT_EQ(KW::CMessageTip::shownCount(), tips + 1);
    EXPECT_TRUE(KW::CMessageTip::lastText().startsWith(QStringLiteral("画线保存失败: 无法写入 ")));
    EXPECT_EQ(ktest::closeTips(QStringLiteral("画线保存失败")), 1);
    // This session still has the new record; the next start has the old one.
    EXPECT_EQ(TC::CDrawGraphManager::getGraphData(QStringLiteral("SH600000|60"))["note"].str().size(),
              64u * 1024);
    TC::CDrawGraphManager::instance()->reload();
    EXPECT_EQ(TC::CDrawGraphManager::getGraphData(QStringLiteral("SH600000|60"))["note"].str(), "first");

    {
        ktest::ScopedReadOnlyFolder readOnly(m_dir.path());
        if (readOnly.available()) {
            EXPECT_FALSE(
                TC::CDrawGraphManager::setGraphData(QStringLiteral("SZ000001|300"), record("second")));
            EXPECT_EQ(ktest::closeTips(QStringLiteral("画线保存失败")), 1);
        }
    }
    EXPECT_EQ(readFile(path), saved);

    // Once the folder takes files again the next change writes everything.
    ASSERT_TRUE(TC::CDrawGraphManager::setGraphData(QStringLiteral("SZ000002|60"), record("third")));
    TC::CDrawGraphManager::instance()->reload();
    EXPECT_EQ(TC::CDrawGraphManager::getGraphData(QStringLiteral("SZ000002|60"))["note"].str(), "third");
    EXPECT_EQ(TC::CDrawGraphManager::getGraphData(QStringLiteral("SH600000|60"))["note"].str(), "first");
    EXPECT_EQ(folderEntries(m_dir.path()).filter(QStringLiteral("drawgraph")),
              QStringList{QStringLiteral("drawgraph.json")});
}

} // namespace
