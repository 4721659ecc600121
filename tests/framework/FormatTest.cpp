#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>

#include "platform/framework/KWFormat.h"
#include "platform/market/InstrumentAccess.h"

using namespace KW;

namespace {
const QString kInvalid = QStringLiteral("非法值");
QString fmt(double v, int d, int flags = 0, bool plus = false)
{
    return formatDoubleNumber(v, d, flags, plus, kInvalid);
}
} // namespace

TEST(FormatDouble, NoValueAndNonFiniteGiveTheInvalidText)
{
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(largest, 1.7976931348623157e308);
    for (int flags : {0, kFormatPercent, kFormatUnits, kFormatPercent | kFormatUnits}) {
        EXPECT_EQ(fmt(largest, 2, flags), kInvalid);
        EXPECT_EQ(fmt(-largest, 2, flags), kInvalid);
        EXPECT_EQ(fmt(std::numeric_limits<double>::quiet_NaN(), 2, flags), kInvalid);
        EXPECT_EQ(fmt(std::numeric_limits<double>::infinity(), 2, flags), kInvalid);
        EXPECT_EQ(fmt(-std::numeric_limits<double>::infinity(), 2, flags, true), kInvalid);
    }
    EXPECT_EQ(formatDoubleNumber(largest, 2), QString());
    // value x 100 overflowing is no value either.
    EXPECT_EQ(fmt(1e307, 2, kFormatPercent), kInvalid);
}

TEST(FormatDouble, PlainDecimalsAndClamping)
{
    EXPECT_EQ(fmt(12.3456, 2), QStringLiteral("12.35"));
    EXPECT_EQ(fmt(3.14159, 3), QStringLiteral("3.142"));
    EXPECT_EQ(fmt(3.7, -5), QStringLiteral("4"));
    EXPECT_EQ(fmt(1.0 / 3.0, 25), QStringLiteral("0.3333333333"));
    EXPECT_EQ(fmt(-2.5, 1), QStringLiteral("-2.5"));
    EXPECT_EQ(fmt(1234567.0, 2), QStringLiteral("1234567.00")); // no grouping without the units flag
    EXPECT_EQ(fmt(0.0, 2), QStringLiteral("0.00"));
}

TEST(FormatDouble, NeverMinusZero)
{
    EXPECT_EQ(fmt(-0.0, 2), QStringLiteral("0.00"));
    EXPECT_EQ(fmt(-0.004, 2), QStringLiteral("0.00"));
    EXPECT_EQ(fmt(-0.4, 0), QStringLiteral("0"));
    EXPECT_EQ(fmt(-0.00001, 2, kFormatPercent), QStringLiteral("0.00%"));
    EXPECT_EQ(fmt(-0.001, 2, kFormatUnits), QStringLiteral("0.00"));
    EXPECT_EQ(fmt(-0.006, 2), QStringLiteral("-0.01"));
    // Nor "+0.00".
    EXPECT_EQ(fmt(0.004, 2, 0, true), QStringLiteral("0.00"));
    EXPECT_EQ(fmt(-0.004, 2, 0, true), QStringLiteral("0.00"));
}

TEST(FormatDouble, ShowPlus)
{
    EXPECT_EQ(fmt(1.5, 2, 0, true), QStringLiteral("+1.50"));
    EXPECT_EQ(fmt(-1.5, 2, 0, true), QStringLiteral("-1.50"));
    EXPECT_EQ(fmt(0.0123, 2, kFormatPercent, true), QStringLiteral("+1.23%"));
    EXPECT_EQ(fmt(250000.0, 2, kFormatUnits, true), QStringLiteral("+25.00万"));
}

TEST(FormatDouble, Percent)
{
    EXPECT_EQ(fmt(0.1234, 2, kFormatPercent), QStringLiteral("12.34%"));
    EXPECT_EQ(fmt(-0.05, 1, kFormatPercent), QStringLiteral("-5.0%"));
    EXPECT_EQ(fmt(1.0, 0, kFormatPercent), QStringLiteral("100%"));
    // Percent wins over units.
    EXPECT_EQ(fmt(5000.0, 2, kFormatPercent | kFormatUnits), QStringLiteral("500000.00%"));
}

TEST(FormatDouble, LargeNumberUnits)
{
    EXPECT_EQ(fmt(99999.0, 2, kFormatUnits), QStringLiteral("99999.00"));
    EXPECT_EQ(fmt(100000.0, 2, kFormatUnits), QStringLiteral("10.00万"));
    EXPECT_EQ(fmt(123456789.0, 2, kFormatUnits), QStringLiteral("1.23亿"));
    EXPECT_EQ(fmt(-56789012.0, 3, kFormatUnits), QStringLiteral("-5678.90万"));
    EXPECT_EQ(fmt(12.3456, 3, kFormatUnits), QStringLiteral("12.346"));
    EXPECT_EQ(fmt(1e12, 0, kFormatUnits), QStringLiteral("10000.00亿"));
    // The unit follows the rounded value, never "100000.00" or "10000.00万".
    EXPECT_EQ(fmt(99999.999, 2, kFormatUnits), QStringLiteral("10.00万"));
    EXPECT_EQ(fmt(99999999.0, 2, kFormatUnits), QStringLiteral("1.00亿"));
    EXPECT_EQ(fmt(-99999.999, 2, kFormatUnits), QStringLiteral("-10.00万"));
}

TEST(FormatInt, RulesMatchTheDoubleOnes)
{
    EXPECT_EQ(formatIntNumber(0), QStringLiteral("0"));
    EXPECT_EQ(formatIntNumber(-42), QStringLiteral("-42"));
    EXPECT_EQ(formatIntNumber(42, 0, true), QStringLiteral("+42"));
    EXPECT_EQ(formatIntNumber(0, 0, true), QStringLiteral("0"));
    EXPECT_EQ(formatIntNumber(std::numeric_limits<qint64>::max(), 0, false, kInvalid), kInvalid);
    EXPECT_EQ(formatIntNumber(std::numeric_limits<qint64>::min(), kFormatUnits, true, kInvalid), kInvalid);
    EXPECT_EQ(formatIntNumber(std::numeric_limits<qint64>::max() - 1), QStringLiteral("9223372036854775806"));

    EXPECT_EQ(formatIntNumber(99999, kFormatUnits), QStringLiteral("99999"));
    EXPECT_EQ(formatIntNumber(150000, kFormatUnits), QStringLiteral("15.00万"));
    EXPECT_EQ(formatIntNumber(-250000000, kFormatUnits), QStringLiteral("-2.50亿"));
    EXPECT_EQ(formatIntNumber(3, kFormatPercent), QStringLiteral("300%"));
    EXPECT_EQ(formatIntNumber(0, kFormatPercent), QStringLiteral("0%"));
    // Exact even where x 100 would overflow.
    EXPECT_EQ(formatIntNumber(std::numeric_limits<qint64>::max() - 1, kFormatPercent),
              QStringLiteral("922337203685477580600%"));
}

TEST(FormatConvert, TextsTimesAndKeys)
{
    const std::string utf8 = "浦发银行";
    EXPECT_EQ(sToQs(utf8), QStringLiteral("浦发银行"));
    EXPECT_EQ(sToQs(utf8.c_str()), QStringLiteral("浦发银行"));
    EXPECT_EQ(sToQs(static_cast<const char*>(nullptr)), QString());
    EXPECT_EQ(qsToS(QStringLiteral("沪深300")), std::string("沪深300"));
    EXPECT_EQ(qsToS(sToQs(utf8)), utf8);
    EXPECT_EQ(sToQs(std::string("a\0b", 3)).size(), 3);

    const qint64 t = 1700000000;
    const QDateTime dt = secondToQDateTime(t);
    EXPECT_EQ(dt.toSecsSinceEpoch(), t);
    EXPECT_EQ(dt.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(dt, QDateTime::fromSecsSinceEpoch(t).toLocalTime());

    EXPECT_EQ(KW::nvStockKey(QStringLiteral("600000"), QStringLiteral("SH")), QStringLiteral("SH600000"));
    EXPECT_EQ(utils::nvStockKey("SZ", "000001"), std::string("SZ000001"));
    EXPECT_EQ(utils::nvStockKey("", ""), std::string());
}

TEST(FormatTest, FittingDropsDecimalsButNeverTheUnit)
{
    const QFontMetrics fm(QFont(QStringLiteral("DejaVu Sans"), 9));
    const QString invalid = QStringLiteral("--");
    auto fit = [&](double v, int d, int flags, const QStringList& candidates, int width) {
        // The first candidate that fits, else the last (the shortest).
        QString expected = candidates.last();
        for (const QString& c : candidates)
            if (fm.horizontalAdvance(c) <= width) {
                expected = c;
                break;
            }
        EXPECT_EQ(formatDoubleNumberToFit(v, d, flags, fm, width, invalid), expected) << width;
    };
    const QStringList wan{QStringLiteral("843.67万"), QStringLiteral("843.7万"), QStringLiteral("844万")};
    for (int w :
         {200, fm.horizontalAdvance(wan[0]), fm.horizontalAdvance(wan[1]), fm.horizontalAdvance(wan[2]), 5})
        fit(8436712.0, 2, kFormatUnits, wan, w);
    const QStringList yi{QStringLiteral("12.35亿"), QStringLiteral("12.3亿"), QStringLiteral("12亿")};
    for (int w : {200, fm.horizontalAdvance(yi[1]), 1})
        fit(1234567890.0, 3, kFormatUnits, yi, w);
    const QStringList plain{QStringLiteral("1234.567"), QStringLiteral("1234.57"), QStringLiteral("1234.6"),
                            QStringLiteral("1235")};
    for (int w : {200, fm.horizontalAdvance(plain[2]), 2})
        fit(1234.5671, 3, 0, plain, w);
    const QStringList pct{QStringLiteral("12.35%"), QStringLiteral("12.3%"), QStringLiteral("12%")};
    fit(0.12346, 2, kFormatPercent, pct, fm.horizontalAdvance(pct[1]));
    // No value stays the invalid text.
    EXPECT_EQ(formatDoubleNumberToFit(std::numeric_limits<double>::max(), 2, kFormatUnits, fm, 1, invalid),
              invalid);
}
