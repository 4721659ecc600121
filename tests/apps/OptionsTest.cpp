#include <gtest/gtest.h>

#include "CKLineViewOptions.h"

using TC::CKLineViewLayout;
using TC::CKLineViewOptions;

namespace {

CKLineViewOptions::Status parse(CKLineViewOptions& o, QStringList args, QString* message = nullptr)
{
    args.prepend(QStringLiteral("klineview"));
    QString dummy;
    return o.parse(args, message ? message : &dummy);
}

} // namespace

TEST(KLineViewOptions, DefaultsAreADailyForwardAdjustedChart)
{
    CKLineViewOptions o;
    ASSERT_EQ(parse(o, {}), CKLineViewOptions::kOk);
    EXPECT_EQ(o.layout().instrument(), QStringLiteral("SH600000"));
    EXPECT_EQ(o.layout().period(), 86400);
    EXPECT_EQ(o.layout().periodMultiple(), 1);
    EXPECT_EQ(o.layout().drType(), 1);
    EXPECT_EQ(o.layout().indexes(), (QStringList{"MA", "VOL", "MACD", "KDJ"}));
    EXPECT_EQ(o.size(), QSize(1600, 900));
    EXPECT_FALSE(o.isSnapshot());
    EXPECT_FALSE(o.isList());
    EXPECT_FALSE(o.isRealtime());
    EXPECT_FALSE(o.wasGiven(QStringLiteral("instrument")));
    QString error;
    EXPECT_TRUE(o.validate(&error)) << error.toStdString();
}

TEST(KLineViewOptions, EveryOptionIsTakenAndRemembered)
{
    CKLineViewOptions o;
    ASSERT_EQ(parse(o, {"--instrument", "usgoog", "--period", "week", "--dr", "3", "--indexes", " boll , rsi",
                        "--size", "800x600", "--snapshot", "out.png", "--realtime"}),
              CKLineViewOptions::kOk);
    // Taken as typed; validation gives the store's key.
    EXPECT_EQ(o.layout().instrument(), QStringLiteral("usgoog"));
    EXPECT_EQ(o.layout().period(), 604800);
    EXPECT_EQ(o.layout().drType(), 3);
    EXPECT_EQ(o.layout().indexes(), (QStringList{"BOLL", "RSI"}));
    EXPECT_EQ(o.size(), QSize(800, 600));
    EXPECT_EQ(o.snapshotFile(), QStringLiteral("out.png"));
    EXPECT_TRUE(o.isRealtime());
    for (const char* name : {"instrument", "period", "dr", "indexes"})
        EXPECT_TRUE(o.wasGiven(QString::fromLatin1(name))) << name;
    QString error;
    EXPECT_TRUE(o.validate(&error)) << error.toStdString();
    EXPECT_EQ(o.layout().instrument(), QStringLiteral("USGOOG"));
}

TEST(KLineViewOptions, FuturesCodeInAnyCaseGivesTheStoresKey)
{
    // The sample's futures key is "SFrb888", lower-case code and all.
    for (const char* typed : {"SFrb888", "SFRB888", "sfrb888", "sFRb888"}) {
        CKLineViewOptions o;
        ASSERT_EQ(parse(o, {"--instrument", QString::fromLatin1(typed)}), CKLineViewOptions::kOk) << typed;
        QString error;
        EXPECT_TRUE(o.validate(&error)) << typed << ": " << error.toStdString();
        EXPECT_EQ(o.layout().instrument(), QStringLiteral("SFrb888")) << typed;
    }
}

TEST(KLineViewOptions, StartLayoutTakesOnlyWhatTheCommandLineGave)
{
    CKLineViewLayout saved;
    saved.setInstrument(QStringLiteral("SFrb888"));
    ASSERT_TRUE(saved.setPeriod(604800));
    ASSERT_TRUE(saved.setDrType(0));
    saved.setIndexes({QStringLiteral("BOLL"), QStringLiteral("SAR"), QStringLiteral("RSI")});

    CKLineViewOptions none;
    ASSERT_EQ(parse(none, {"--size", "800x600"}), CKLineViewOptions::kOk);
    ASSERT_TRUE(none.validate(nullptr));
    EXPECT_EQ(none.startLayout(saved), saved);

    CKLineViewOptions some;
    ASSERT_EQ(parse(some, {"--instrument", "usgoog", "--dr", "3"}), CKLineViewOptions::kOk);
    ASSERT_TRUE(some.validate(nullptr));
    const CKLineViewLayout merged = some.startLayout(saved);
    EXPECT_EQ(merged.instrument(), QStringLiteral("USGOOG"));
    EXPECT_EQ(merged.drType(), 3);
    EXPECT_EQ(merged.period(), 604800);
    EXPECT_EQ(merged.indexes(), saved.indexes());
}

TEST(KLineViewOptions, PeriodFormsMapOntoTheChartTable)
{
    struct Case {
        const char* text;
        int period;
        int multiple;
    };
    const Case cases[] = {{"86400", 86400, 1},   {"60", 60, 1},         {"0", 0, 1},
                          {"tick", 0, 1},        {"1m", 60, 1},         {"5m", 300, 1},
                          {"15m", 900, 1},       {"30m", 1800, 1},      {"60m", 3600, 1},
                          {"1h", 3600, 1},       {"DAY", 86400, 1},     {"week", 604800, 1},
                          {"month", 2592000, 1}, {"year", 31536000, 1}, {"3d", 10, 3},
                          {"2h", 11, 2},         {"7m", 13, 7},         {" 300 ", 300, 1}};
    for (const Case& c : cases) {
        int n = -1;
        QString error;
        EXPECT_EQ(CKLineViewOptions::parsePeriod(QString::fromLatin1(c.text), &n, &error), c.period)
            << c.text;
        EXPECT_EQ(n, c.multiple) << c.text;
        CKLineViewOptions o;
        ASSERT_EQ(parse(o, {"--period", QString::fromLatin1(c.text)}), CKLineViewOptions::kOk) << c.text;
        EXPECT_EQ(o.layout().period(), c.period) << c.text;
        EXPECT_EQ(o.layout().periodMultiple(), c.multiple) << c.text;
    }
}

TEST(KLineViewOptions, BadValuesAreRefusedWithAReason)
{
    const QStringList bad[] = {
        {"--period", "fortnight"},
        {"--period", "86401"},
        {"--period", "-60"},
        {"--period", "10"},
        {"--period", "0d"},
        {"--period", ""},
        {"--dr", "5"},
        {"--dr", "-1"},
        {"--dr", "x"},
        {"--size", "800"},
        {"--size", "axb"},
        {"--size", "100x100"},
        {"--size", "99999x900"},
        {"--indexes", "MA,,VOL"},
        {"--instrument", " "},
        {"--snapshot", ""},
        {"--bogus"},
        {"stray"},
        {"--period"},
        {"--period", "day", "--period", "week"},
    };
    for (const QStringList& args : bad) {
        CKLineViewOptions o;
        QString message;
        EXPECT_EQ(parse(o, args, &message), CKLineViewOptions::kError) << args.join(' ').toStdString();
        EXPECT_FALSE(message.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(KLineViewOptions, ExRightsTakesNumbersAndNames)
{
    CKLineViewOptions o;
    ASSERT_EQ(parse(o, {"--dr", QStringLiteral("不复权")}), CKLineViewOptions::kOk);
    EXPECT_EQ(o.layout().drType(), 0);
    EXPECT_EQ(CKLineViewOptions::parseDrType(QStringLiteral("等比后复权"), nullptr), 4);
    EXPECT_EQ(CKLineViewOptions::parseDrType(QStringLiteral("2"), nullptr), 2);
}

TEST(KLineViewOptions, EmptyIndicatorListMeansCandlesOnly)
{
    CKLineViewOptions o;
    ASSERT_EQ(parse(o, {"--indexes", ""}), CKLineViewOptions::kOk);
    EXPECT_TRUE(o.layout().indexes().isEmpty());
    EXPECT_TRUE(o.validate(nullptr));
}

TEST(KLineViewOptions, HelpIsNotAnError)
{
    CKLineViewOptions o;
    QString message;
    EXPECT_EQ(parse(o, {"--help"}, &message), CKLineViewOptions::kHelp);
    EXPECT_EQ(message, CKLineViewOptions::helpText());
    CKLineViewOptions shortForm;
    EXPECT_EQ(parse(shortForm, {"-h"}), CKLineViewOptions::kHelp);
    // Every option is named with its value.
    for (const char* form :
         {"-h, --help", "--instrument <KEY>", "--period <P>", "--dr <T>", "--indexes <LIST>", "--size <WxH>",
          "--snapshot <FILE.png>", "--list", "--realtime"})
        EXPECT_TRUE(message.contains(QString::fromLatin1(form))) << form;
    EXPECT_TRUE(message.startsWith(QStringLiteral("Usage: klineview")));
    for (const QString& line : message.split(QLatin1Char('\n')))
        EXPECT_LE(line.size(), 79) << line.toStdString();
}

TEST(KLineViewOptions, ValidationNamesUnknownInstrumentAndFormula)
{
    CKLineViewOptions unknownKey;
    ASSERT_EQ(parse(unknownKey, {"--instrument", "XX999999"}), CKLineViewOptions::kOk);
    QString error;
    EXPECT_FALSE(unknownKey.validate(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("XX999999")));

    CKLineViewOptions unknownFormula;
    ASSERT_EQ(parse(unknownFormula, {"--indexes", "MA,NOSUCH"}), CKLineViewOptions::kOk);
    error.clear();
    EXPECT_FALSE(unknownFormula.validate(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("NOSUCH")));
}
