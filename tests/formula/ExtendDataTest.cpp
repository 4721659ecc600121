// Holding extension data: the table built from a model's trades and its
// stored form.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/WriteFailure.h"
#include "platform/formula/service/CExtendDataManager.h"
#include "platform/formula/service/IndexData.h"

namespace {

se::RPCGroupTrade trade(qint64 tag, const char* code, double volume, int side)
{
    se::RPCGroupTrade t;
    t.timeTag = tag;
    t.code = code;
    t.price = 10;
    t.volume = volume;
    t.side = side;
    return t;
}

} // namespace

TEST(HoldingExtensionData, OneRowPerTradeTimeWithEveryInstrumentsHolding)
{
    using TC::CExtendDataManager;
    EXPECT_FALSE(CExtendDataManager::doGenerateHoldingExData("X_holding", "X", {"A"}, {}));

    // Two trades at 200 collapse into one row; B is listed before its first
    // trade because the result names it; C only trades; a side of 0 is no trade
    // and makes no row.
    const auto d = CExtendDataManager::doGenerateHoldingExData(
        "X_holding", "X", {"A", "B"},
        {trade(100, "A", 300, 1), trade(200, "A", 100, -1), trade(200, "C", 50, 1), trade(300, "B", 20, -1),
         trade(400, "A", 999, 0)});
    ASSERT_TRUE(d);
    EXPECT_EQ(d->codes, (QStringList{"A", "B", "C"}));
    ASSERT_EQ(d->rows.size(), 3);
    const QVector<QVector<double>> held{{300, 0, 0}, {200, 0, 50}, {200, -20, 50}};
    const QVector<qint64> times{100, 200, 300};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(d->rows[i].time, times[i]);
        EXPECT_EQ(d->rows[i].values, held[i]) << i;
    }
}

TEST(HoldingExtensionData, StoredFilesRoundTripAndAFailedReadChangesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/EP/M_holding_Xdat";
    se::IndexData d;
    d.name = "M_holding";
    d.formula = "M";
    d.codes = QStringList{"SH600000", "SZ000651"};
    d.rows = {{1000, {100, 0.1 + 0.2}}, {2000, {-5e-310, 1e300}}};
    ASSERT_TRUE(d.saveHoldingExDataConfig(path));
    ASSERT_TRUE(d.saveHoldingExData(path));

    se::IndexData back;
    ASSERT_TRUE(back.creatData(path));
    EXPECT_EQ(back.name, d.name);
    EXPECT_EQ(back.formula, d.formula);
    EXPECT_EQ(back.codes, d.codes);
    ASSERT_EQ(back.rows.size(), 2);
    EXPECT_EQ(back.rows[0].values, d.rows[0].values); // bit-exact
    EXPECT_EQ(back.rows[1].values, d.rows[1].values);
    back.cleanStorage();
    EXPECT_TRUE(back.rows.isEmpty());

    // Columns that disagree with the description: refused, object untouched.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("time,SH600000\n1000,1\n");
    f.close();
    se::IndexData kept = d;
    QString error;
    EXPECT_FALSE(kept.creatData(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(kept.rows.size(), 2);
    EXPECT_FALSE(kept.creatData(dir.path() + "/missing"));
}

TEST(HoldingExtensionData, AFailedRewriteKeepsBothStoredFiles)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/EP";
    const QString path = folder + "/M_holding_Xdat";
    se::IndexData d;
    d.name = "M_holding";
    d.formula = "M";
    d.codes = QStringList{"SH600000"};
    d.rows = {{1000, {100}}};
    ASSERT_TRUE(d.saveHoldingExDataConfig(path));
    ASSERT_TRUE(d.saveHoldingExData(path));
    const QStringList files = ktest::folderEntries(folder);
    ASSERT_EQ(files.size(), 2);
    QList<QByteArray> before;
    for (const QString& f : files)
        before << ktest::readFile(folder + "/" + f);

    se::IndexData next = d;
    next.codes = QStringList{"SH600000", "SZ000651"};
    next.rows = {{1000, {100, 5}}, {2000, {0, 5}}};
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        QString configError, rowsError;
        {
            ktest::ScopedWriteFailure failure(kind, folder);
            if (!failure.available())
                continue;
            EXPECT_FALSE(next.saveHoldingExDataConfig(path, &configError));
            EXPECT_FALSE(next.saveHoldingExData(path, &rowsError));
        }
        EXPECT_TRUE(configError.startsWith(QStringLiteral("无法写入 "))) << configError.toStdString();
        EXPECT_TRUE(rowsError.startsWith(QStringLiteral("无法写入 ") + path)) << rowsError.toStdString();
        EXPECT_EQ(ktest::folderEntries(folder), files);
        for (int i = 0; i < files.size(); ++i)
            EXPECT_EQ(ktest::readFile(folder + "/" + files[i]), before[i]) << files[i].toStdString();
    }
    se::IndexData back;
    ASSERT_TRUE(back.creatData(path));
    EXPECT_EQ(back.codes, d.codes);
}

TEST(HoldingExtensionData, MalformedRowsAreRefused)
{
    se::IndexData out;
    out.codes = QStringList{"KEEP"};
    for (const char* bad : {"", "date,A\n1,2\n", "time,A\n1,2,3\n", "time,A\n1,x\n", "time,A\n1,nan\n",
                            "time,A\n2,1\n2,1\n", "time,A\n3,1\n2,1\n", "time,\n1,1\n", "time,A\nq,1\n"})
        EXPECT_FALSE(se::IndexData::parseRows(bad, out)) << bad;
    EXPECT_EQ(out.codes, QStringList{"KEEP"});
    EXPECT_TRUE(se::IndexData::parseRows("time,A\r\n1,2\r\n\r\n3,4", out));
    ASSERT_EQ(out.rows.size(), 2);
    EXPECT_EQ(out.rows[1].values, QVector<double>{4});
    for (const char* bad : {"[]", "{}", "{\"name\":\"\"}", "{\"name\":\"n\",\"codes\":[1]}"})
        EXPECT_FALSE(se::IndexData::parseConfig(bad, out)) << bad;
}

TEST(HoldingExtensionData, PathStaysInTheExtensionFolder)
{
    const QString p = TC::CExtendDataManager::holdingPath("../../etc/x");
    const QString folder = QFileInfo(p).absolutePath();
    EXPECT_TRUE(folder.endsWith("/EP")) << p.toStdString();
    EXPECT_FALSE(QFileInfo(p).fileName().contains('/'));
}
