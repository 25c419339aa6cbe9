#include "widgets/ProgressBarIndicator.h"

#include <QProgressBar>

#include <gtest/gtest.h>

namespace {

TEST(ProgressBarIndicator, showsTheValueAsItsShareOfTheMaximumWithinTheBar)
{
    QProgressBar bar;
    ProgressBarIndicator indicator(&bar);
    EXPECT_FALSE(indicator.isIndeterminate());
    EXPECT_EQ(indicator.maxValue(), 100);

    indicator.setMaxValue(12);
    indicator.setDoubleValue(3);
    EXPECT_EQ(bar.value(), ProgressBarIndicator::Steps / 4);
    EXPECT_EQ(indicator.doubleValue(), 3);
    indicator.setDoubleValue(13); // past the end: a full bar
    EXPECT_EQ(bar.value(), ProgressBarIndicator::Steps);
    indicator.setDoubleValue(-1);
    EXPECT_EQ(bar.value(), 0);
    indicator.setMaxValue(0); // nothing to do: an empty bar
    indicator.setDoubleValue(1);
    EXPECT_EQ(bar.value(), 0);

    indicator.setIndeterminate(true);
    EXPECT_EQ(bar.maximum(), 0); // the bar's busy display
    indicator.setMaxValue(10);
    indicator.setIndeterminate(false);
    EXPECT_EQ(bar.maximum(), ProgressBarIndicator::Steps);
    EXPECT_EQ(bar.value(), ProgressBarIndicator::Steps / 10);
}

} // namespace
