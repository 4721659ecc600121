// klineview ended from outside: SIGTERM closes the window as a quit does and
// the layout it shows is saved.
#include <csignal>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// Whether the process has a handler for `sig` (the caught-signals mask of
// /proc/<pid>/status), i.e. it is past its start-up.
bool catches(qint64 pid, int sig)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (sig - 1)) & 1;
    return false;
}

} // namespace

TEST(KlineviewTermination, SigtermSavesTheLayoutAndExitsNormally)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KLINEVIEW_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!env.contains(QStringLiteral("KLINE_DATA_DIR")))
        env.insert(QStringLiteral("KLINE_DATA_DIR"), QStringLiteral(KLINE_SOURCE_DATA_DIR));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KLINEVIEW_BINARY), {"--instrument", "SZ000651", "--period", "week", "--size", "640x480"});
    ASSERT_TRUE(p.waitForStarted());
    for (int i = 0; i < 6000 && !catches(p.processId(), SIGTERM) && p.state() == QProcess::Running; ++i)
        QThread::msleep(10);
    ASSERT_TRUE(catches(p.processId(), SIGTERM));
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);

    QFile saved(home.path() + "/klineview.json");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_EQ(o.value("instrument").toString(), "SZ000651");
}
