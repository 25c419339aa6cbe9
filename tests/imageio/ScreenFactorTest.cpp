#include "imageio/ScreenFactor.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// Runs under a QApplication on the offscreen platform; ctest sets
// QT_SCALE_FACTOR=2, which the screens then report as their pixel ratio.
namespace {
double expectedFactor()
{
    bool ok = false;
    const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok ? factor : 1.0;
}
} // namespace

TEST(ScreenFactor, isThePixelRatioOfTheScreens)
{
    ASSERT_TRUE(qobject_cast<QGuiApplication*>(QCoreApplication::instance()));
    const QList<double> factors = ScreenFactor::screenFactors();
    ASSERT_FALSE(factors.isEmpty());
    for (double factor : factors)
        EXPECT_DOUBLE_EQ(factor, expectedFactor());
    EXPECT_DOUBLE_EQ(ScreenFactor::largest(), std::max(1.0, expectedFactor()));
}

TEST(ScreenFactor, isReadOnTheMainThreadForOtherThreads)
{
    std::atomic<bool> done{false};
    double fromThread = 0.0;
    std::thread thread([&] {
        fromThread = ScreenFactor::largest();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    thread.join();
    EXPECT_DOUBLE_EQ(fromThread, ScreenFactor::largest());
}
