#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "CKLineViewOptions.h"
#include "CKLineViewSnapshot.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"

using TC::CKLineViewOptions;
using TC::CKLineViewSnapshot;

namespace {

CKLineViewOptions options(QStringList args)
{
    args.prepend(QStringLiteral("klineview"));
    CKLineViewOptions o;
    QString message;
    EXPECT_EQ(o.parse(args, &message), CKLineViewOptions::kOk) << message.toStdString();
    return o;
}

struct RunResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the built program with its own user folder and no display.
RunResult runKlineview(const QStringList& args, const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KLINEVIEW_HOME"), home);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!env.contains(QStringLiteral("KLINE_DATA_DIR")))
        env.insert(QStringLiteral("KLINE_DATA_DIR"), QStringLiteral(KLINE_SOURCE_DATA_DIR));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KLINEVIEW_BINARY), args);
    RunResult r;
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(KLineViewSnapshot, RendersTheChartAtTheAskedSizeWithData)
{
    CKLineViewSnapshot snapshot(options({"--size", "640x400", "--indexes", "MA,VOL,MACD"}));
    const QImage image = snapshot.render();
    EXPECT_EQ(image.size(), QSize(640, 400));
    ASSERT_NE(snapshot.chart(), nullptr);
    EXPECT_TRUE(snapshot.chart()->mainPane()->hasData());
    EXPECT_TRUE(snapshot.allPanesHaveData());
    EXPECT_EQ(snapshot.chart()->subPanes().size(), 2);
    // Something was drawn: the picture is not one flat colour.
    const QRgb first = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 7)
        for (int x = 0; x < image.width() && !varied; x += 7)
            varied = image.pixel(x, y) != first;
    EXPECT_TRUE(varied);
}

TEST(KLineViewSnapshot, WritesThePngAndPrintsItsAbsolutePath)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chart.png"));
    CKLineViewSnapshot snapshot(options({"--snapshot", path, "--size", "500x320", "--period", "5m"}));
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    EXPECT_EQ(snapshot.run(outStream, errStream), CKLineViewSnapshot::kOk);
    EXPECT_EQ(out.trimmed(), QFileInfo(path).absoluteFilePath());
    EXPECT_TRUE(err.isEmpty());
    EXPECT_EQ(QImage(path).size(), QSize(500, 320));
}

TEST(KLineViewSnapshot, UnwritableTargetFailsWithStatusOneAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/chart.png"));
    CKLineViewSnapshot snapshot(options({"--snapshot", path, "--size", "400x300"}));
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    EXPECT_EQ(snapshot.run(outStream, errStream), CKLineViewSnapshot::kWriteFailed);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.contains(QStringLiteral("cannot write")));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(KLineViewProgram, SnapshotEndToEnd)
{
    QTemporaryDir home;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("end-to-end.png"));
    const RunResult r = runKlineview({"--snapshot", path, "--size", "800x500", "--instrument", "SZ000651",
                                      "--period", "week", "--indexes", "BOLL,KDJ"},
                                     home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QFileInfo(path).absoluteFilePath());
    const QImage image(path);
    EXPECT_EQ(image.size(), QSize(800, 500));
    // The program logs under its user folder.
    EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("logs/klineview.log"))));
}

TEST(KLineViewProgram, BadArgumentsExitWithStatusTwo)
{
    QTemporaryDir home;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("never.png"));
    const QList<QStringList> cases = {
        {"--snapshot", path, "--instrument", "XX999999"},
        {"--snapshot", path, "--indexes", "MA,NOSUCH"},
        {"--snapshot", path, "--period", "fortnight"},
        {"--snapshot", path, "--size", "12x12"},
        {"--no-such-option"},
    };
    for (const QStringList& args : cases) {
        const RunResult r = runKlineview(args, home.path());
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("klineview: "))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(KLineViewProgram, WindowWithoutDisplayIsRefusedNotHung)
{
    QTemporaryDir home;
    const RunResult r = runKlineview({}, home.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--snapshot")));
}

TEST(KLineViewProgram, UnwritableSnapshotExitsWithStatusOne)
{
    QTemporaryDir home;
    QTemporaryDir dir;
    const RunResult r = runKlineview(
        {"--snapshot", dir.filePath(QStringLiteral("missing/x.png")), "--size", "400x300"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cannot write")));
}

TEST(KLineViewProgram, HelpPrintsTheUsageAndExitsZero)
{
    QTemporaryDir home;
    for (const char* flag : {"--help", "-h"}) {
        const RunResult r = runKlineview({QString::fromLatin1(flag)}, home.path());
        ASSERT_EQ(r.exitCode, 0) << flag << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: klineview"))) << flag;
        EXPECT_TRUE(r.out.contains(QStringLiteral("--snapshot <FILE.png>"))) << flag;
        EXPECT_TRUE(r.out.contains(QStringLiteral("前复权"))) << flag;
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    // Help wins over everything else given with it.
    const RunResult r = runKlineview({"--instrument", "SH600519", "--help"}, home.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: klineview")));
}

TEST(KLineViewProgram, FuturesOpenByTheirCodeInAnyCase)
{
    QTemporaryDir home;
    QTemporaryDir dir;
    for (const char* typed : {"SFrb888", "sfRB888"}) {
        const QString path = dir.filePath(QStringLiteral("futures.png"));
        const RunResult r = runKlineview(
            {"--snapshot", path, "--size", "400x300", "--instrument", QString::fromLatin1(typed)},
            home.path());
        EXPECT_EQ(r.exitCode, 0) << typed << ": " << r.err.toStdString();
        EXPECT_EQ(QImage(path).size(), QSize(400, 300)) << typed;
    }
}

TEST(KLineViewProgram, SnapshotReportsUserCsvFilesThatDidNotLoad)
{
    QTemporaryDir home;
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("csv")));
    QFile bad(home.filePath(QStringLiteral("csv/SZ_000002_万科A_day.csv")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    // Line 3: the high is below the close.
    bad.write(
        "date,open,high,low,close,volume\n2024-01-02,10,11,9,10.5,100\n2024-01-03,10,10.2,9.5,10.8,90\n");
    bad.close();

    const QString path = dir.filePath(QStringLiteral("chart.png"));
    const RunResult r = runKlineview({"--snapshot", path, "--size", "400x300"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // File, line, column and reason.
    EXPECT_TRUE(r.err.contains(QStringLiteral("klineview: SZ_000002_万科A_day.csv:3: column 3 (high): ")))
        << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QFileInfo(path).absoluteFilePath());

    // Asking for the instrument itself says why it is unknown.
    const RunResult asked = runKlineview({"--snapshot", path, "--instrument", "SZ000002"}, home.path());
    EXPECT_EQ(asked.exitCode, 2);
    EXPECT_TRUE(asked.err.contains(QStringLiteral("SZ_000002_万科A_day.csv:3:"))) << asked.err.toStdString();
    EXPECT_TRUE(asked.err.contains(QStringLiteral("unknown instrument"))) << asked.err.toStdString();
}

TEST(KLineViewProgram, ListStillWorks)
{
    QTemporaryDir home;
    const RunResult r = runKlineview({"--list"}, home.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("SH600000")));
}

TEST(KLineViewProgram, AnUnusableSavedLayoutIsReportedAndKeptAside)
{
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("klineview.json"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"chart\": broken");
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KLINEVIEW_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!env.contains(QStringLiteral("KLINE_DATA_DIR")))
        env.insert(QStringLiteral("KLINE_DATA_DIR"), QStringLiteral(KLINE_SOURCE_DATA_DIR));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setReadChannel(QProcess::StandardError);
    p.start(QStringLiteral(KLINEVIEW_BINARY), QStringList());
    // The report comes before the window; the window then runs until killed.
    QString err;
    for (int i = 0; i < 600 && !err.contains(QStringLiteral("starting with")); ++i) {
        p.waitForReadyRead(100);
        err += QString::fromUtf8(p.readAllStandardError());
    }
    p.kill();
    p.waitForFinished();
    EXPECT_TRUE(err.contains(QStringLiteral("could not be used"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("klineview.json.bad-"))) << err.toStdString();
    // The damaged text is kept, under the name the report gives.
    const QStringList aside = QDir(home.path()).entryList({QStringLiteral("klineview.json.bad-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(home.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("{\"chart\": broken"));
}
