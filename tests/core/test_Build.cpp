// The core headers compile together without Qt.
#include <gtest/gtest.h>

#include "platform/Canvas.h"
#include "platform/Component.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Numeric.h"
#include "platform/Stream.h"
#include "platform/Text.h"
#include "platform/UiServices.h"
#include "platform/Variant.h"

TEST(Numeric, RoundsHalvesToEven)
{
    EXPECT_EQ(zv::RoundHalfEven(0.5), 0);
    EXPECT_EQ(zv::RoundHalfEven(1.5), 2);
    EXPECT_EQ(zv::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(zv::RoundHalfEven(2.6), 3);
    EXPECT_EQ(zv::DivTrunc(-7, 2), -3);
    EXPECT_EQ(zv::Round32(1e12), INT32_MAX);
}
