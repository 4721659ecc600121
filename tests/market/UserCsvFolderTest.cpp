#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/market/CMarketStore.h"

namespace {
void write(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}
} // namespace

TEST(UserCsvFolder, GoodInstrumentsLoadAndBadOnesAreReportedWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    write(dir.filePath(QStringLiteral("SH_600036_招商银行_day.csv")),
          "date,open,high,low,close,volume\n2024-01-02,30,31,29.5,30.5,1000\n2024-01-03,30.5,31.2,30,31,1200\n");
    write(dir.filePath(QStringLiteral("SH_600036_招商银行_1min.csv")),
          "datetime,open,high,low,close,volume\n2024-01-03 09:30,30.5,30.6,30.4,30.6,10\n");
    // A bad row in the minute file of the second instrument keeps its good day file out too.
    write(dir.filePath(QStringLiteral("SZ_000002_day.csv")), "2024-01-02,10,11,9,10.5,100\n");
    write(dir.filePath(QStringLiteral("SZ_000002_1min.csv")), "2024-01-02 09:30,10,9,9.5,10,5\n");
    write(dir.filePath(QStringLiteral("notes.csv")), "whatever\n");

    TC::CMarketStore store(7, QDate(2024, 1, 5), false);
    const QStringList errors = store.loadUserCsvFolder(dir.path());
    ASSERT_TRUE(store.hasInstrument(QStringLiteral("SH600036")));
    EXPECT_EQ(store.instrument(QStringLiteral("SH600036"))->name, "招商银行");
    EXPECT_EQ(store.dayBars(QStringLiteral("SH600036")).size(), 2);
    EXPECT_EQ(store.minuteBars(QStringLiteral("SH600036")).size(), 1);
    EXPECT_FALSE(store.hasInstrument(QStringLiteral("SZ000002")));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors.join('\n').contains(QStringLiteral("notes.csv")));
    EXPECT_TRUE(errors.join('\n').contains(QStringLiteral("SZ_000002_1min.csv:1:")));

    // An existing instrument is never replaced by user files.
    const QStringList again = store.loadUserCsvFolder(dir.path());
    EXPECT_TRUE(again.join('\n').contains(QStringLiteral("already exists")));
    EXPECT_EQ(store.dayBars(QStringLiteral("SH600036")).size(), 2);
}

TEST(UserCsvFolder, MissingFolderIsNoError)
{
    TC::CMarketStore store(7, QDate(2024, 1, 5), false);
    EXPECT_TRUE(store.loadUserCsvFolder(QStringLiteral("/nonexistent/klineview/csv")).isEmpty());
}

TEST(UserCsvFolder, FileNamesMatchKeysIgnoringCase)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Files of one instrument whose names differ only in case load together,
    // keyed as the first file spells it.
    write(dir.filePath(QStringLiteral("SZ_ab12_day.csv")),
          "2024-01-02,10,11,9,10.5,100\n2024-01-03,10,10.5,9.5,10,90\n");
    write(dir.filePath(QStringLiteral("sz_AB12_1min.csv")), "2024-01-03 09:30,10,10.2,9.9,10.1,5\n");
    // The sample's futures key is "SFrb888": an upper-case file name names it too.
    write(dir.filePath(QStringLiteral("SF_RB888_day.csv")), "2024-01-02,10,11,9,10.5,100\n");

    TC::CMarketStore store(7, QDate(2024, 1, 5), false);
    const QStringList before = store.instrumentKeys();
    const QStringList errors = store.loadUserCsvFolder(dir.path());
    EXPECT_EQ(store.resolveKey(QStringLiteral("szab12")), QStringLiteral("SZab12"));
    EXPECT_EQ(store.dayBars(QStringLiteral("SZab12")).size(), 2);
    EXPECT_EQ(store.minuteBars(QStringLiteral("SZab12")).size(), 1);
    EXPECT_FALSE(store.hasInstrument(QStringLiteral("SFRB888")));
    EXPECT_EQ(store.instrumentKeys().size(), before.size() + 1);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("SFrb888: instrument already exists")));
}
