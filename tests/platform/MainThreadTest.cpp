#include "core/MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
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

// Libraries release their per-thread state when a thread exits, after the
// work itself has returned; the process must not tear them down before.
struct ThreadExitNote {
    std::atomic<bool>* exited = nullptr;
    ~ThreadExitNote()
    {
        QThread::msleep(50);
        if (exited)
            *exited = true;
    }
};

TEST(MainThread, waitingReturnsOnlyWhenTheThreadAndWhatItsWorkHeldHaveEnded)
{
    std::atomic<bool> exited{false};
    auto held = std::make_shared<int>(0);
    std::weak_ptr<int> watch = held;
    MainThread::performInBackground([&exited, held = std::move(held)] {
        thread_local ThreadExitNote note;
        note.exited = &exited;
    });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));
    EXPECT_TRUE(exited.load());
    EXPECT_TRUE(watch.expired());
}

} // namespace
