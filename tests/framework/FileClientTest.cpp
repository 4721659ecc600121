// The file reader behind the imports: lines as a spreadsheet writes them,
// the end reported on the GUI thread, binary and missing files refused.
#include <QThread>
#include <atomic>
#include <functional>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>

#include "platform/framework/CFileClient.h"

namespace {

struct Read {
    bool ok = false;
    QString text;
    QStringList lines;
    bool finishedOnGuiThread = false;
};

Read readAll(const QString& path, const std::function<bool(const QString&)>& accept = nullptr)
{
    KW::CFileClient client;
    Read r;
    QSignalSpy spy(&client, &KW::CFileClient::sigReadFinished);
    QObject::connect(&client, &KW::CFileClient::sigReadFinished, [&](int, bool, QString) {
        r.finishedOnGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    const int id = client.readFileByLine(path, 0, [&](const QString& line) {
        r.lines << line; // read on the GUI thread only after the end
        return accept ? accept(line) : true;
    });
    EXPECT_GT(id, 0);
    EXPECT_TRUE(spy.wait(20000));
    if (spy.isEmpty())
        return r;
    EXPECT_EQ(spy.at(0).at(0).toInt(), id);
    r.ok = spy.at(0).at(1).toBool();
    r.text = spy.at(0).at(2).toString();
    return r;
}

QString write(QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath("f.csv");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path;
}

} // namespace

TEST(FileClient, HandsOnEachLineWithoutItsEnd)
{
    QTemporaryDir dir;
    const QByteArray gbk = QTextCodec::codecForName("GB18030")->fromUnicode(QStringLiteral("资金账号,证券"));
    const Read r = readAll(write(dir, "\xEF\xBB\xBF"
                                      "a,b\r\n\r\n\n" +
                                          gbk + "\nlast"),
                           [](const QString& l) { return l != "last"; });
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.finishedOnGuiThread);
    EXPECT_EQ(r.lines, QStringList({"a,b", QStringLiteral("资金账号,证券"), "last"}));
    // Taken / seen.
    EXPECT_EQ(r.text, "2/3");
}

TEST(FileClient, RefusesWhatIsNoTextFile)
{
    QTemporaryDir dir;
    Read r = readAll(write(dir, QByteArray("\xD0\xCF\x11\xE0\0\0\0\0", 8)));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.finishedOnGuiThread);
    r = readAll(dir.filePath("none.csv"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.lines.isEmpty());
}

TEST(FileClient, OneReadAtATimeAndDestroyingStopsIt)
{
    QTemporaryDir dir;
    QByteArray big;
    for (int i = 0; i < 20000; ++i)
        big += "x,y,z\n";
    const QString path = write(dir, big);
    std::atomic<int> lines{0};
    {
        KW::CFileClient client;
        QSignalSpy spy(&client, &KW::CFileClient::sigReadFinished);
        ASSERT_GT(client.readFileByLine(path, 0, [&](const QString&) { return ++lines > 0; }), 0);
        EXPECT_EQ(client.readFileByLine(path, 0, nullptr), -1);
        // Destroyed at once: the worker stops and nothing is signalled later.
    }
    QCoreApplication::processEvents();
}
