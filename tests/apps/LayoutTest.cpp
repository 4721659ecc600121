#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include "CKLineViewLayout.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"

using TC::CKLineViewLayout;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

CKLineViewLayout sampleLayout()
{
    CKLineViewLayout l;
    l.setInstrument(QStringLiteral("USGOOG"));
    EXPECT_TRUE(l.setPeriod(11, 2));
    EXPECT_TRUE(l.setDrType(0));
    l.setIndexes({QStringLiteral("boll"), QStringLiteral("RSI"), QStringLiteral("OBV")});
    return l;
}

} // namespace

TEST(KLineViewLayout, SettersRefuseWhatTheChartCannotShow)
{
    CKLineViewLayout l;
    EXPECT_FALSE(l.setPeriod(86401));
    EXPECT_FALSE(l.setPeriod(10, 0));
    EXPECT_FALSE(l.setPeriod(10, CKLineViewLayout::kMaxMultiple + 1));
    EXPECT_FALSE(l.setDrType(5));
    EXPECT_EQ(l, CKLineViewLayout());
    // N is dropped for ordinary periods so equal charts compare equal.
    ASSERT_TRUE(l.setPeriod(300, 4));
    EXPECT_EQ(l.periodMultiple(), 1);
}

TEST(KLineViewLayout, FileRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/klineview.json"));
    const CKLineViewLayout saved = sampleLayout();
    QString error;
    ASSERT_TRUE(saved.save(path, &error)) << error.toStdString();

    CKLineViewLayout loaded;
    ASSERT_EQ(loaded.load(path), CKLineViewLayout::kLoaded);
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loaded.instrument(), QStringLiteral("USGOOG"));
    EXPECT_EQ(loaded.periodMultiple(), 2);
    EXPECT_EQ(loaded.indexes(), (QStringList{"BOLL", "RSI", "OBV"}));
}

TEST(KLineViewLayout, UnusableFileIsSetAsideAndNeverWrittenOver)
{
    const CKLineViewLayout before = sampleLayout();
    for (const QByteArray& bytes :
         {QByteArray("{\"instrument\": \"SH6"), QByteArray("[1,2,3]"), QByteArray(""),
          QByteArray("\xff\xfe garbage"), QByteArray("\"SH600000\""),
          // A later format, or a version that is no format at all.
          QByteArray("{\"version\": 2, \"instrument\": \"SH600519\"}"),
          QByteArray("{\"version\": \"1\", \"instrument\": \"SH600519\"}"),
          QByteArray("{\"version\": 1.5}")}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("klineview.json"));
        writeFile(path, bytes);
        CKLineViewLayout l = before;
        QString aside;
        EXPECT_EQ(l.load(path, &aside), CKLineViewLayout::kSetAside) << bytes.constData();
        EXPECT_EQ(l, before);
        // The user's bytes are kept next to it under a telling name.
        EXPECT_FALSE(QFileInfo::exists(path));
        EXPECT_TRUE(QFileInfo(aside).fileName().startsWith(QStringLiteral("klineview.json.bad-")))
            << aside.toStdString();
        EXPECT_EQ(QFileInfo(aside).absolutePath(), QFileInfo(path).absolutePath());
        QFile kept(aside);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);
        kept.close();

        // Saving afterwards leaves the kept file alone; a second bad file
        // the same second gets a name of its own.
        ASSERT_TRUE(l.save(path, nullptr));
        writeFile(path, bytes);
        QString second;
        EXPECT_EQ(CKLineViewLayout().load(path, &second), CKLineViewLayout::kSetAside);
        EXPECT_NE(second, aside);
        EXPECT_TRUE(QFileInfo::exists(aside));
        EXPECT_TRUE(QFileInfo::exists(second));
    }
    QTemporaryDir dir;
    CKLineViewLayout l = before;
    EXPECT_EQ(l.load(dir.filePath(QStringLiteral("missing.json"))), CKLineViewLayout::kMissing);
    EXPECT_EQ(l, before);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(KLineViewLayout, UnknownInstrumentFallsBackAndTheOtherFieldsStay)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("klineview.json"));
    writeFile(path, "{\"instrument\": \"XX999999\", \"period\": 604800, \"drType\": 0,"
                    " \"indexes\": [\"BOLL\", \"SAR\", \"RSI\"]}");
    CKLineViewLayout l;
    ASSERT_EQ(l.load(path), CKLineViewLayout::kLoaded);
    EXPECT_EQ(l.instrument(), QStringLiteral("SH600000"));
    EXPECT_EQ(l.period(), 604800);
    EXPECT_EQ(l.drType(), 0);
    EXPECT_EQ(l.indexes(), (QStringList{"BOLL", "SAR", "RSI"}));
    // Loading does not touch the file.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("XX999999"));
}

TEST(KLineViewLayout, SavedKeyInAnyCaseBecomesTheStoresKey)
{
    for (const char* saved : {"SFrb888", "SFRB888", "sfrb888"}) {
        QJsonObject o;
        o.insert(QStringLiteral("instrument"), QString::fromLatin1(saved));
        CKLineViewLayout l;
        QStringList problems;
        l.fromJson(o, &problems);
        EXPECT_TRUE(problems.isEmpty()) << saved;
        EXPECT_EQ(l.instrument(), QStringLiteral("SFrb888")) << saved;
    }
    CKLineViewLayout typed;
    typed.setInstrument(QStringLiteral(" sh600519 "));
    EXPECT_EQ(typed.instrument(), QStringLiteral("sh600519"));
    ASSERT_TRUE(typed.resolveInstrument());
    EXPECT_EQ(typed.instrument(), QStringLiteral("SH600519"));
    typed.setInstrument(QStringLiteral("nosuch"));
    EXPECT_FALSE(typed.resolveInstrument());
    EXPECT_EQ(typed.instrument(), QStringLiteral("nosuch"));
}

TEST(KLineViewLayout, InvalidFieldsAreSkippedOneByOne)
{
    QJsonObject o;
    o.insert(QStringLiteral("instrument"), 42);
    o.insert(QStringLiteral("period"), 300);
    o.insert(QStringLiteral("drType"), 9);
    o.insert(QStringLiteral("indexes"), QJsonArray{QStringLiteral("VOL"), 3});
    CKLineViewLayout l;
    QStringList problems;
    l.fromJson(o, &problems);
    EXPECT_EQ(problems, (QStringList{"instrument", "drType", "indexes"}));
    EXPECT_EQ(l.instrument(), QStringLiteral("SH600000"));
    EXPECT_EQ(l.period(), 300);
    EXPECT_EQ(l.drType(), 1);
    EXPECT_EQ(l.indexes(), CKLineViewLayout::defaultIndexes());
}

TEST(KLineViewLayout, SaveIntoAnUnwritablePlaceFailsWithAReason)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    writeFile(blocker, "x");
    QString error;
    EXPECT_FALSE(CKLineViewLayout().save(blocker + QStringLiteral("/klineview.json"), &error));
    EXPECT_FALSE(error.isEmpty());
    // The file in the way is untouched.
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("x"));
}

TEST(KLineViewLayout, AppliedToAChartOverlaysMainFormulasAndStacksTheOthers)
{
    TC::CKLineMainWidget chart(nullptr, 0);
    CKLineViewLayout l;
    l.setIndexes(
        {QStringLiteral("VOL"), QStringLiteral("BOLL"), QStringLiteral("MACD"), QStringLiteral("NOSUCH")});
    l.applyTo(&chart);
    EXPECT_TRUE(chart.mainPane()->hasIndex(QStringLiteral("BOLL")));
    EXPECT_FALSE(chart.mainPane()->hasIndex(QStringLiteral("MA")));
    ASSERT_EQ(chart.subPanes().size(), 2);
    EXPECT_TRUE(chart.subPanes().at(0)->hasIndex(QStringLiteral("VOL")));
    EXPECT_TRUE(chart.subPanes().at(1)->hasIndex(QStringLiteral("MACD")));
    EXPECT_EQ(CKLineViewLayout::indexesOf(&chart), (QStringList{"BOLL", "VOL", "MACD"}));
    EXPECT_EQ(chart.getPeriod(), 86400);
    EXPECT_EQ(chart.getDrType(), 1);
}

TEST(KLineViewLayout, SeveralOverlaysRoundTripThroughChartAndFile)
{
    CKLineViewLayout l;
    l.setIndexes(
        {QStringLiteral("MA"), QStringLiteral("BOLL"), QStringLiteral("VOL"), QStringLiteral("SAR")});
    TC::CKLineMainWidget chart(nullptr, 0);
    l.applyTo(&chart);
    for (const char* f : {"MA", "BOLL", "SAR"})
        EXPECT_TRUE(chart.mainPane()->hasIndex(QString::fromLatin1(f))) << f;
    const QStringList shown = CKLineViewLayout::indexesOf(&chart);
    EXPECT_EQ(shown, (QStringList{"MA", "BOLL", "SAR", "VOL"}));

    QTemporaryDir dir;
    CKLineViewLayout saved;
    saved.setIndexes(shown);
    ASSERT_TRUE(saved.save(dir.filePath(QStringLiteral("k.json")), nullptr));
    CKLineViewLayout loaded;
    ASSERT_EQ(loaded.load(dir.filePath(QStringLiteral("k.json"))), CKLineViewLayout::kLoaded);
    TC::CKLineMainWidget again(nullptr, 0);
    loaded.applyTo(&again);
    EXPECT_EQ(CKLineViewLayout::indexesOf(&again), shown);
}

TEST(KLineViewLayout, NoMainFormulaMeansCandlesOnly)
{
    TC::CKLineMainWidget chart(nullptr, 0);
    CKLineViewLayout l;
    l.setIndexes({QStringLiteral("KDJ")});
    l.applyTo(&chart);
    EXPECT_FALSE(chart.mainPane()->hasIndex(QStringLiteral("MA")));
    EXPECT_EQ(CKLineViewLayout::indexesOf(&chart), QStringList{"KDJ"});
}
