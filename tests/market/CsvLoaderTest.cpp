#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/config/CAppConfig.h"
#include "platform/market/CCsvLoader.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

using TC::CCsvLoader;

namespace {

class CsvLoaderTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& text)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }

    qlservice::CInstrumentDetail detail(const char* code)
    {
        qlservice::CInstrumentDetail d;
        d.market = "XT";
        d.code = code;
        d.name = code;
        d.kind = "stock";
        return d;
    }

    QTemporaryDir m_dir;
};

const QByteArray kGood = "date,open,high,low,close,volume\n"
                         "2024-03-01,10,11,9.5,10.5,1000\n"
                         "2024-03-04,10.5,10.8,10.1,10.2,800\n"
                         "2024-03-05,10.2,10.9,10.0,10.7,1200\n";

} // namespace

TEST_F(CsvLoaderTest, goodDailyFileWithHeader)
{
    CCsvLoader loader;
    ASSERT_TRUE(loader.load(write(QStringLiteral("good.csv"), kGood))) << loader.errorString().toStdString();
    EXPECT_TRUE(loader.hadHeader());
    EXPECT_EQ(loader.barSize(), CCsvLoader::BarSizeDay);
    ASSERT_EQ(loader.bars().size(), 3);
    const quoter::CBar& b = loader.bars()[0];
    EXPECT_EQ(b.time, TC::CLocalTimeConverter::dayTag(QDate(2024, 3, 1)));
    EXPECT_EQ(b.open, 10);
    EXPECT_EQ(b.high, 11);
    EXPECT_EQ(b.low, 9.5);
    EXPECT_EQ(b.close, 10.5);
    EXPECT_EQ(b.volume, 1000);
    EXPECT_DOUBLE_EQ(b.amount, 1000 * (10 + 11 + 9.5 + 10.5) / 4);
}

TEST_F(CsvLoaderTest, headerlessFilesCompactDatesAmountsAndCrlf)
{
    CCsvLoader loader;
    ASSERT_TRUE(loader.parse("\xEF\xBB\xBF"
                             "20240301,10,11,9.5,10.5,1000,10400\r\n"
                             "\r\n"
                             "# a comment\r\n"
                             "20240304,10.5,10.8,10.1,10.2,800,8300\r\n",
                             QStringLiteral("plain.csv")))
        << loader.errorString().toStdString();
    EXPECT_FALSE(loader.hadHeader());
    ASSERT_EQ(loader.bars().size(), 2);
    EXPECT_EQ(loader.bars()[1].amount, 8300);
    EXPECT_EQ(loader.bars()[1].time, TC::CLocalTimeConverter::dayTag(QDate(2024, 3, 4)));
}

TEST_F(CsvLoaderTest, headerColumnsByNameInAnyOrder)
{
    CCsvLoader loader;
    ASSERT_TRUE(loader.parse("Volume,Close,Low,High,Open,Date,Adj_Close,Turnover\n"
                             "1000,10.5,9.5,11,10,2024-03-01,99,12345\n",
                             QStringLiteral("named.csv")))
        << loader.errorString().toStdString();
    const quoter::CBar& b = loader.bars()[0];
    EXPECT_EQ(b.open, 10);
    EXPECT_EQ(b.close, 10.5);
    EXPECT_EQ(b.amount, 12345);
    EXPECT_FALSE(loader.parse("date,open,high,low,close\n2024-03-01,1,1,1,1\n", QStringLiteral("novol.csv")));
    EXPECT_TRUE(loader.errorString().contains(QLatin1String("volume")));
    EXPECT_EQ(loader.errorLine(), 1);
}

TEST_F(CsvLoaderTest, minuteFilesAreStoredByTheEndMinute)
{
    const QByteArray text = "datetime,open,high,low,close,volume\n"
                            "2024-03-01 09:30,10,10.2,9.9,10.1,100\n"
                            "2024-03-01 09:31:00,10.1,10.3,10.0,10.2,200\n";
    CCsvLoader loader;
    ASSERT_TRUE(loader.parse(text, QStringLiteral("m.csv"))) << loader.errorString().toStdString();
    EXPECT_EQ(loader.barSize(), CCsvLoader::BarSizeMinute);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(loader.bars()[0].time),
              QDateTime(QDate(2024, 3, 1), QTime(9, 31)));
    CCsvLoader asEnd;
    asEnd.setMinuteTimeIsBarStart(false);
    ASSERT_TRUE(asEnd.parse(text, QStringLiteral("m.csv")));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(asEnd.bars()[0].time),
              QDateTime(QDate(2024, 3, 1), QTime(9, 30)));
    // A given size is enforced.
    CCsvLoader daily;
    daily.setBarSize(CCsvLoader::BarSizeDay);
    EXPECT_FALSE(daily.parse(text, QStringLiteral("m.csv")));
    EXPECT_EQ(daily.errorLine(), 2);
    EXPECT_EQ(daily.errorColumn(), 1);
    CCsvLoader minute;
    minute.setBarSize(CCsvLoader::BarSizeMinute);
    EXPECT_FALSE(minute.parse(kGood, QStringLiteral("d.csv")));
    daily.setBarSize(CCsvLoader::BarSizeDay);
    EXPECT_TRUE(daily.parse("2024-03-01 00:00,1,1,1,1,1\n", QStringLiteral("midnight.csv")));
}

TEST_F(CsvLoaderTest, everyBadRowNamesFileLineAndColumn)
{
    struct Case {
        const char* row;
        int column;
        const char* what;
    };
    const Case cases[] = {
        {"2024-03-06,10,11,9,10", 6, "columns"},             // too few fields
        {"2024-03-06,10,11,9,10,5,6", 7, "columns"},         // too many fields
        {"2024-13-06,10,11,9,10,5", 1, "not a date"},        // bad date
        {"06/03/2024,10,11,9,10,5", 1, "not a date"},        // unsupported format
        {"2024-03-06,10,abc,9,10,5", 3, "not a number"},     // bad number
        {"2024-03-06,10,11,,10,5", 4, "empty"},              // empty field
        {"2024-03-06,10,11,9,nan,5", 5, "not a number"},     // not finite
        {"2024-03-06,10,11,10.5,10.2,5", 4, "low"},          // low above open
        {"2024-03-06,10,10.1,9,10.5,5", 3, "high"},          // high below close
        {"2024-03-06,10,11,9,10,-5", 6, "negative volume"},  // negative volume
        {"2024-03-05,10,11,9,10,5", 1, "not after"},         // repeated day
        {"2024-03-04,10,11,9,10,5", 1, "not after"},         // going back
        {"2024-03-06 10:00,10,11,9,10,5", 1, "needs dates"}, // mixed forms
    };
    for (const Case& c : cases) {
        QByteArray text = kGood;
        text += c.row;
        text += "\n";
        const QString path = write(QStringLiteral("bad.csv"), text);
        CCsvLoader loader;
        EXPECT_FALSE(loader.load(path)) << c.row;
        EXPECT_TRUE(loader.bars().isEmpty());
        EXPECT_EQ(loader.errorLine(), 5) << c.row;
        EXPECT_EQ(loader.errorColumn(), c.column) << c.row;
        const QString e = loader.errorString();
        EXPECT_TRUE(e.startsWith(QStringLiteral("bad.csv:5: column %1 ").arg(c.column))) << e.toStdString();
        EXPECT_TRUE(e.contains(QLatin1String(c.what))) << e.toStdString();

        // Nothing of the file reaches the store.
        TC::CMarketStore store(1, QDate(2024, 3, 29), false);
        QString error;
        EXPECT_FALSE(CCsvLoader::loadInstrument(store, detail("BAD"), {path}, &error));
        EXPECT_EQ(error, e);
        EXPECT_FALSE(store.hasInstrument(QStringLiteral("XTBAD")));
    }
    CCsvLoader loader;
    EXPECT_FALSE(loader.load(m_dir.filePath(QStringLiteral("missing.csv"))));
    EXPECT_TRUE(loader.errorString().startsWith(QLatin1String("missing.csv: cannot open")));
    EXPECT_FALSE(loader.parse("date,open,high,low,close,volume\n", QStringLiteral("empty.csv")));
    EXPECT_TRUE(loader.errorString().contains(QLatin1String("no data rows")));
    EXPECT_FALSE(loader.parse(QByteArray(), QStringLiteral("empty.csv")));
    EXPECT_FALSE(loader.parse("2024-03-01 09:30:15,1,1,1,1,1\n", QStringLiteral("secs.csv")));
    EXPECT_EQ(loader.errorColumn(), 1);
}

TEST_F(CsvLoaderTest, loadedInstrumentJoinsTheStore)
{
    TC::CMarketStore store(1, QDate(2024, 3, 29), false);
    const QString day = write(QStringLiteral("d.csv"), kGood);
    const QString minute = write(QStringLiteral("m.csv"), "2024-03-05 09:30,10,10.2,9.9,10.1,100\n"
                                                          "2024-03-05 09:31,10.1,10.3,10.0,10.2,200\n");
    QString error;
    ASSERT_TRUE(CCsvLoader::loadInstrument(store, detail("OK"), {day, minute}, &error))
        << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(store.dayBars(QStringLiteral("XTOK")).size(), 3);
    EXPECT_EQ(store.minuteBars(QStringLiteral("XTOK")).size(), 2);
    EXPECT_EQ(store.tradeDates(QStringLiteral("XT")).size(), 3);
    EXPECT_DOUBLE_EQ(store.instrument(QStringLiteral("XTOK"))->lastClose, 10.2);
    EXPECT_FALSE(CCsvLoader::loadInstrument(store, detail("TWO"), {day, day}, &error));
    EXPECT_TRUE(error.contains(QLatin1String("second daily")));
    EXPECT_FALSE(store.hasInstrument(QStringLiteral("XTTWO")));
    EXPECT_FALSE(CCsvLoader::loadInstrument(store, detail("NONE"), {}, &error));
}

TEST_F(CsvLoaderTest, theRealSamplesLoadWithTheirBarCounts)
{
    const QString dir = TC::CAppConfig::dataDir() + QStringLiteral("/real/");
    struct Sample {
        const char* file;
        int bars;
        CCsvLoader::EBarSize size;
    };
    const Sample samples[] = {
        {"goog_2004-2008_daily_matplotlib.csv", 1047, CCsvLoader::BarSizeDay},
        {"FB_2012-05-18_2014-03-07_daily_techan.csv", 452, CCsvLoader::BarSizeDay},
        {"SPX_2019-11-05_2019-11-08_1min_mplfinance.csv", 1563, CCsvLoader::BarSizeMinute},
    };
    for (const Sample& s : samples) {
        CCsvLoader loader;
        ASSERT_TRUE(loader.load(dir + QLatin1String(s.file))) << loader.errorString().toStdString();
        EXPECT_EQ(loader.bars().size(), s.bars) << s.file;
        EXPECT_EQ(loader.barSize(), s.size) << s.file;
        EXPECT_TRUE(loader.hadHeader());
    }
    TC::CMarketStore* store = TC::CMarketStore::instance();
    EXPECT_EQ(store->dayBars(QStringLiteral("USGOOG")).size(), 1047);
    EXPECT_EQ(store->dayBars(QStringLiteral("USFB")).size(), 452);
    EXPECT_EQ(store->minuteBars(QStringLiteral("USSPX")).size(), 1563);
    EXPECT_EQ(store->dayBars(QStringLiteral("USSPX")).size(), 4);
    EXPECT_EQ(store->instrument(QStringLiteral("USGOOG"))->name, "Google");
    EXPECT_EQ(store->instrument(QStringLiteral("USFB"))->name, "Facebook");
    // GOOG ignores adj_close; FB's first day is the IPO.
    EXPECT_EQ(store->dayBars(QStringLiteral("USGOOG")).first().close, 100.34);
    EXPECT_EQ(store->dayBars(QStringLiteral("USFB")).first().open, 42.05);
    // The SPX session gives 78 five-minute bars a day; the 16:00 print joins the last one.
    const QVector<quoter::CBar> fives = store->bars(QStringLiteral("USSPX"), 300, 0);
    EXPECT_EQ(fives.size(), 4 * 78);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(fives.first().time).time(), QTime(9, 35));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(fives[77].time).time(), QTime(16, 0));
    EXPECT_EQ(fives[77].close, 3074.75);
}

// The time field's accepted forms, each read into the instant a clock on the
// wall shows (minute files stored by the end of the minute).
TEST_F(CsvLoaderTest, timeFieldFormsAcceptedAndRefused)
{
    struct Case {
        const char* time;
        int year, month, day, hour, minute; // hour -1: refused
    };
    const Case cases[] = {
        {"2024-03-01 09:30", 2024, 3, 1, 9, 31},    {"20240301 09:30", 2024, 3, 1, 9, 31},
        {"2024-03-01T09:30", 2024, 3, 1, 9, 31},    {"2024-03-01 9:05", 2024, 3, 1, 9, 6},
        {"2024-03-01 09:30:00", 2024, 3, 1, 9, 31}, {"2024-02-29 23:59", 2024, 3, 1, 0, 0},
        {"2024-03-01 9:5", 0, 0, 0, -1, 0},         {"2024-03-01 24:00", 0, 0, 0, -1, 0},
        {"2024-03-01 09:60", 0, 0, 0, -1, 0},       {"2024-03-01 09:30:", 0, 0, 0, -1, 0},
        {"2024-03-01 09:30:0", 0, 0, 0, -1, 0},     {"2024-03-01 09:30:00x", 0, 0, 0, -1, 0},
        {"2024-03-01 09:30:61", 0, 0, 0, -1, 0},    {"2024-03-01 123:30", 0, 0, 0, -1, 0},
        {"2024-03-01  09:30", 0, 0, 0, -1, 0},      {"2024-03-01_09:30", 0, 0, 0, -1, 0},
        {"2024-0301 09:30", 0, 0, 0, -1, 0},        {"202403-01 09:30", 0, 0, 0, -1, 0},
        {"2024-3-01 09:30", 0, 0, 0, -1, 0},        {"2023-02-29 09:30", 0, 0, 0, -1, 0},
        {"２０２４-03-01 09:30", 0, 0, 0, -1, 0},   {"2024-03-01 ０9:30", 0, 0, 0, -1, 0},
        {"2024-03-01 :30", 0, 0, 0, -1, 0},         {"2024-03-01 09", 0, 0, 0, -1, 0},
    };
    for (const Case& c : cases) {
        QByteArray row = c.time;
        row += ",10,10.2,9.9,10.1,100\n";
        CCsvLoader loader;
        loader.setBarSize(CCsvLoader::BarSizeMinute);
        const bool ok = loader.parse(row, QStringLiteral("t.csv"));
        if (c.hour < 0) {
            EXPECT_FALSE(ok) << c.time;
            EXPECT_EQ(loader.errorColumn(), 1) << c.time;
            continue;
        }
        ASSERT_TRUE(ok) << c.time << ": " << loader.errorString().toStdString();
        EXPECT_EQ(loader.bars()[0].time,
                  QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute)).toSecsSinceEpoch())
            << c.time;
    }
    // Dates alone, both spellings, and a date one digit short.
    CCsvLoader daily;
    ASSERT_TRUE(daily.parse("20240301,1,1,1,1,1\n2024-03-04,1,1,1,1,1\n", QStringLiteral("d.csv")));
    EXPECT_EQ(daily.bars()[1].time, QDateTime(QDate(2024, 3, 4), QTime(0, 0)).toSecsSinceEpoch());
    EXPECT_FALSE(daily.parse("2024030,1,1,1,1,1\n", QStringLiteral("d.csv")));
}
