// What the host writes (the layout on exit, an exported formula, a snapshot)
// replaces the old file whole or leaves it as it was, and a failure is told:
// a message box in the window, stderr and exit status 1 on the command line.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "CKLineViewFormulaExport.h"
#include "CKLineViewLayout.h"
#include "CKLineViewOptions.h"
#include "CKLineViewSnapshot.h"
#include "CKLineViewWindow.h"
#include "common/WriteFailure.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CMessageBox.h"

using ktest::readFile;
using TC::CKLineViewLayout;
using TC::CKLineViewWindow;

namespace {

class HostWrites : public ::testing::Test
{
protected:
    void SetUp() override { KW::CMessageBox::setAutoAnswer(QMessageBox::Ok); }
    void TearDown() override
    {
        KW::CMessageBox::setAutoAnswer(-1);
        CKLineViewWindow::setSaveFilePrompt({});
    }
    QTemporaryDir m_dir;
};

TEST_F(HostWrites, ALayoutThatCannotBeSavedOnExitIsToldAndTheOldOneStays)
{
    const QString path = m_dir.filePath(QStringLiteral("klineview.json"));
    CKLineViewLayout first;
    first.setInstrument(QStringLiteral("SZ000001"));
    {
        CKLineViewWindow window(first, path);
        window.show();
        EXPECT_TRUE(window.close());
    }
    const QByteArray saved = readFile(path);
    ASSERT_EQ(QJsonDocument::fromJson(saved).object().value(QStringLiteral("instrument")).toString(),
              QStringLiteral("SZ000001"));

    CKLineViewLayout second;
    second.setInstrument(QStringLiteral("SH600000"));
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        CKLineViewWindow window(second, path);
        window.show();
        const int boxes = KW::CMessageBox::shownCount();
        {
            ktest::ScopedWriteFailure failure(kind, m_dir.path());
            if (!failure.available())
                continue;
            EXPECT_TRUE(window.close()); // the user still gets out
        }
        EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 1);
        EXPECT_EQ(KW::CMessageBox::lastKind(), int(KW::CMessageBox::Warning));
        EXPECT_TRUE(KW::CMessageBox::lastText().startsWith(QStringLiteral("布局保存失败: 无法写入 ") + path))
            << KW::CMessageBox::lastText().toStdString();
        EXPECT_EQ(readFile(path), saved);
        EXPECT_EQ(ktest::folderEntries(m_dir.path()), QStringList{QStringLiteral("klineview.json")});
    }
    {
        CKLineViewWindow window(second, path);
        window.show();
        EXPECT_TRUE(window.close());
    }
    CKLineViewLayout back;
    ASSERT_EQ(back.load(path), CKLineViewLayout::kLoaded);
    EXPECT_EQ(back.instrument(), QStringLiteral("SH600000"));
}

TEST_F(HostWrites, AFormulaExportOverAnOldFileKeepsItWhenTheWriteFails)
{
    const QString path = m_dir.filePath(QStringLiteral("MACD.fml"));
    ASSERT_TRUE(ktest::writeFile(path, "{old export}\n"));
    CKLineViewWindow window(CKLineViewLayout{}, QString());
    CKLineViewWindow::setSaveFilePrompt(
        [&](QWidget*, const QString&, const QString&, const QString&) { return path; });
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        {
            ktest::ScopedWriteFailure failure(kind, m_dir.path());
            if (!failure.available())
                continue;
            EXPECT_FALSE(window.exportFormula(QStringLiteral("MACD")));
        }
        EXPECT_TRUE(KW::CMessageBox::lastText().startsWith(QStringLiteral("导出失败: 无法写入 ") + path));
        EXPECT_EQ(readFile(path), QByteArray("{old export}\n"));
        EXPECT_EQ(ktest::folderEntries(m_dir.path()), QStringList{QStringLiteral("MACD.fml")});
    }
    ASSERT_TRUE(window.exportFormula(QStringLiteral("MACD")));
    EXPECT_TRUE(readFile(path).startsWith("{PARAMS: SHORT=12,2,200; LONG=26,2,200; MID=9,2,200}\n"));
}

TEST_F(HostWrites, ASnapshotThatCannotBeWrittenKeepsTheOldPictureAndFailsWithStatusOne)
{
    const QString path = m_dir.filePath(QStringLiteral("chart.png"));
    QStringList args{QStringLiteral("klineview"), QStringLiteral("--snapshot"), path,
                     QStringLiteral("--size"), QStringLiteral("400x300")};
    TC::CKLineViewOptions options;
    QString message;
    ASSERT_EQ(options.parse(args, &message), TC::CKLineViewOptions::kOk);
    QImage old(10, 10, QImage::Format_RGB32);
    old.fill(Qt::black);
    ASSERT_TRUE(old.save(path, "png"));
    const QByteArray before = readFile(path);
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        TC::CKLineViewSnapshot snapshot(options);
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        qlog::CLogCapture log(qlog::kStdLogger);
        int status = -1;
        {
            ktest::ScopedWriteFailure failure(kind, m_dir.path());
            if (!failure.available())
                continue;
            status = snapshot.run(outStream, errStream);
        }
        EXPECT_EQ(status, TC::CKLineViewSnapshot::kWriteFailed);
        EXPECT_TRUE(out.isEmpty());
        EXPECT_TRUE(err.startsWith(QStringLiteral("klineview: cannot write snapshot: 无法写入 ") + path))
            << err.toStdString();
        EXPECT_TRUE(log.contains("cannot write " + path.toStdString()));
        EXPECT_EQ(readFile(path), before);
        EXPECT_EQ(ktest::folderEntries(m_dir.path()), QStringList{QStringLiteral("chart.png")});
    }
}

// The program itself, into a folder that takes no new files.
TEST(HostWritesProgram, SnapshotIntoAReadOnlyFolderExitsWithStatusOneAndKeepsTheOldFile)
{
    QTemporaryDir home;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chart.png"));
    ASSERT_TRUE(ktest::writeFile(path, "old picture"));
    ktest::ScopedReadOnlyFolder readOnly(dir.path());
    if (!readOnly.available())
        GTEST_SKIP() << "this file system lets the process write into any folder";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KLINEVIEW_HOME"), home.path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!env.contains(QStringLiteral("KLINE_DATA_DIR")))
        env.insert(QStringLiteral("KLINE_DATA_DIR"), QStringLiteral(KLINE_SOURCE_DATA_DIR));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KLINEVIEW_BINARY), {"--snapshot", path, "--size", "400x300"});
    ASSERT_TRUE(p.waitForFinished(300000));
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("cannot write snapshot: 无法写入 ") + path)) << err.toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_EQ(readFile(path), QByteArray("old picture"));
}

} // namespace
