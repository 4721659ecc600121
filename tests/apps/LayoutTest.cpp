#include <gtest/gtest.h>

#include <QFile>
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
    l.setInstrument(QStringLiteral("usgoog"));
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
    ASSERT_TRUE(loaded.load(path));
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loaded.instrument(), QStringLiteral("USGOOG"));
    EXPECT_EQ(loaded.periodMultiple(), 2);
    EXPECT_EQ(loaded.indexes(), (QStringList{"BOLL", "RSI", "OBV"}));
}

TEST(KLineViewLayout, CorruptOrMissingFileLeavesTheLayoutAlone)
{
    QTemporaryDir dir;
    const CKLineViewLayout before = sampleLayout();
    for (const QByteArray& bytes : {QByteArray("{\"instrument\": \"SH6"), QByteArray("[1,2,3]"),
                                    QByteArray(""), QByteArray("\xff\xfe garbage")}) {
        const QString path = dir.filePath(QStringLiteral("bad.json"));
        writeFile(path, bytes);
        CKLineViewLayout l = before;
        EXPECT_FALSE(l.load(path)) << bytes.constData();
        EXPECT_EQ(l, before);
    }
    CKLineViewLayout l = before;
    EXPECT_FALSE(l.load(dir.filePath(QStringLiteral("missing.json"))));
    EXPECT_EQ(l, before);
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

TEST(KLineViewLayout, NoMainFormulaMeansCandlesOnly)
{
    TC::CKLineMainWidget chart(nullptr, 0);
    CKLineViewLayout l;
    l.setIndexes({QStringLiteral("KDJ")});
    l.applyTo(&chart);
    EXPECT_FALSE(chart.mainPane()->hasIndex(QStringLiteral("MA")));
    EXPECT_EQ(CKLineViewLayout::indexesOf(&chart), QStringList{"KDJ"});
}
