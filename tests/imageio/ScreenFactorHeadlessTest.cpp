#include "imageio/ScreenFactor.h"

#include <gtest/gtest.h>

// The image tests run under a QCoreApplication: no screens at all.
TEST(ScreenFactorHeadless, isOneWithoutAGuiApplication)
{
    EXPECT_TRUE(ScreenFactor::screenFactors().isEmpty());
    EXPECT_DOUBLE_EQ(ScreenFactor::largest(), 1.0);
}
