#include "platform/Currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using platform::Currency;

TEST(Currency, FromDoubleRoundsToNearestTiesToEven) {
    struct {
        double valor;
        std::int64_t bruto;
    } casos[] = {
        // 0.00005 and 0.00025 scale to exact ties; 0.00015 falls just below one.
        {19.99, 199900}, {0.1, 1000},  {-19.99, -199900}, {0.00005, 0}, {0.00025, 2},
        {-0.00025, -2},  {0.00015, 1}, {1.23456, 12346},  {0, 0},       {92233720368.5, 922337203685000},
    };
    for (const auto& c : casos)
        EXPECT_EQ(Currency::FromDouble(c.valor).Raw(), c.bruto) << c.valor;
}

TEST(Currency, NonsenseDoublesDoNotOverflow) {
    EXPECT_EQ(Currency::FromDouble(std::numeric_limits<double>::quiet_NaN()).Raw(), 0);
    EXPECT_EQ(Currency::FromDouble(1e300).Raw(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Currency::FromDouble(-1e300).Raw(), std::numeric_limits<std::int64_t>::min());
}

TEST(Currency, ArithmeticAndCents) {
    EXPECT_EQ(Currency::FromCents(1999), Currency::FromDouble(19.99));
    EXPECT_EQ(Currency::FromCents(1000) - Currency::FromCents(250), Currency::FromCents(750));
    EXPECT_DOUBLE_EQ(Currency::FromCents(1999).ToDouble(), 19.99);
}

TEST(Currency, RoundToTwoPlacesTiesToEven) {
    EXPECT_DOUBLE_EQ(platform::RoundTo(0.125, 2), 0.12);
    EXPECT_DOUBLE_EQ(platform::RoundTo(0.375, 2), 0.38);
    EXPECT_DOUBLE_EQ(platform::RoundTo(10.0 + 5.0, 2), 15.0);
    EXPECT_DOUBLE_EQ(platform::RoundTo(0.1 + 0.2, 2), 0.3);
}
