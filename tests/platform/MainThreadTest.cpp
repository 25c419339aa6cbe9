#include "core/MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace {

TEST(MainThread, queuedWorkRunsOnTheMainThreadInOrder)
{
    std::vector<int> order;
    std::atomic<bool> allOnMain{true};
    MainThread::performInBackground([&] {
        for (int i = 0; i < 500; ++i)
            MainThread::performAsync([&, i] {
                if (!MainThread::isCurrent())
                    allOnMain = false;
                order.push_back(i);
            });
    });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));
    QCoreApplication::processEvents();
    ASSERT_EQ(order.size(), 500u);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnMain.load());
}

TEST(MainThread, performAndWaitReturnsAfterTheWorkHasRun)
{
    std::atomic<bool> ranBeforeReturn{false};
    MainThread::performInBackground([&] {
        bool done = false;
        MainThread::performAndWait([&] { done = MainThread::isCurrent(); });
        ranBeforeReturn = done;
    });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));
    EXPECT_TRUE(ranBeforeReturn.load());
    // On the main thread itself it runs directly.
    bool direct = false;
    MainThread::performAndWait([&] { direct = true; });
    EXPECT_TRUE(direct);
}

TEST(MainThread, backgroundWorkRunsOffTheMainThread)
{
    std::atomic<bool> onMain{true};
    MainThread::performInBackground([&] { onMain = MainThread::isCurrent(); });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));
    EXPECT_FALSE(onMain.load());
    EXPECT_EQ(MainThread::backgroundThreadsRunning(), 0);
}

} // namespace
