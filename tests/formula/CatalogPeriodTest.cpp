#include <gtest/gtest.h>

#include "platform/formula/catalog/FormulaPeriod.h"

using namespace TC;

TEST(CatalogPeriodTest, TableRoundTripsAndNamesEveryPeriod)
{
    const int periods[kPeriodCount] = {60,      180,     300,      600,      900, 1800, 3600, 86400, 604800,
                                       2592000, 7776000, 15552000, 31536000, 10,  11,   13,   0};
    for (int i = 0; i < kPeriodCount; ++i) {
        EXPECT_EQ(getPeriodByIndex(i), periods[i]) << i;
        EXPECT_EQ(getPeriodIndex(periods[i]), i) << i;
        EXPECT_FALSE(getCycleName(i).isEmpty()) << i;
    }
    EXPECT_EQ(getCycleName(0), QStringLiteral("1分钟"));
    EXPECT_EQ(getCycleName(7), QStringLiteral("日线"));
    EXPECT_EQ(getCycleName(12), QStringLiteral("年线"));
    EXPECT_EQ(getCycleName(13), QStringLiteral("多日线"));
    EXPECT_EQ(getCycleName(15), QStringLiteral("多分钟线"));
    EXPECT_EQ(getCycleName(16), QStringLiteral("分笔"));
}

TEST(CatalogPeriodTest, OutsideTheTable)
{
    EXPECT_EQ(getPeriodIndex(120), -1);
    EXPECT_EQ(getPeriodIndex(-60), -1);
    EXPECT_EQ(getPeriodByIndex(-1), -1);
    EXPECT_EQ(getPeriodByIndex(kPeriodCount), -1);
    EXPECT_TRUE(getCycleName(-1).isEmpty());
    EXPECT_TRUE(getCycleName(kPeriodCount).isEmpty());
}
