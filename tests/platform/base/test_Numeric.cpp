// Rounding and integer helpers: halves to even, saturation at the 32-bit ends, truncation.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/base/Numeric.h"

TEST(Numeric, RoundingSaturationAndTruncation)
{
    EXPECT_EQ(zv::RoundHalfEven(0.5), 0);
    EXPECT_EQ(zv::RoundHalfEven(1.5), 2);
    EXPECT_EQ(zv::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(zv::RoundHalfEven(2.6), 3);
    EXPECT_EQ(zv::DivTrunc(-7, 2), -3);
    EXPECT_EQ(zv::ModTrunc(-7, 2), -1);
    EXPECT_EQ(zv::MulDivTrunc(INT32_MAX, 254, 96 * 254), INT32_MAX / 96);  // no 32-bit overflow inside
    const struct {
        double real;
        int64_t whole;
        int32_t expected;
    } ends[] = {
        {1e12, int64_t(1) << 40, INT32_MAX},
        {-1e12, -(int64_t(1) << 40), INT32_MIN},
        {2147483647.0, INT32_MAX, INT32_MAX},
        {-2147483648.0, INT32_MIN, INT32_MIN},
        {-7.0, -7, -7},
    };
    for (const auto& e : ends) {
        EXPECT_EQ(zv::Round32(e.real), e.expected) << e.real;
        EXPECT_EQ(zv::Saturate32(e.whole), e.expected) << e.whole;
    }
    EXPECT_EQ(zv::Round32(std::nan("")), INT32_MIN);
}
