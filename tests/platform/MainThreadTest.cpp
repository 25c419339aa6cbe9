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

} // namespace
