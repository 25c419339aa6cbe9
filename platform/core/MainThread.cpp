#include "MainThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {
std::atomic<int> g_running{0};

struct BackgroundThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> workDone;
};

std::mutex g_threadsLock;

// Never destroyed: a thread still running when the process exits must not
// be joined (or terminate the process) by a static destructor.
std::vector<BackgroundThread>& threads()
{
    static auto* list = new std::vector<BackgroundThread>;
    return *list;
}

// Joins the threads whose work is over. The join waits for the rest of the
// thread's exit, in which the libraries it used release their per-thread
// state: that must be over before the process tears the libraries down.
void joinFinishedThreads()
{
    std::vector<std::thread> finished;
    {
        const std::lock_guard<std::mutex> guard(g_threadsLock);
        auto& list = threads();
        for (auto it = list.begin(); it != list.end();) {
            if (it->workDone->load()) {
                finished.push_back(std::move(it->thread));
                it = list.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (std::thread& thread : finished) {
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }
}
} // namespace

bool MainThread::isCurrent()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void MainThread::performAsync(std::function<void()> work)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void MainThread::performAndWait(std::function<void()> work)
{
    if (isCurrent()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work),
                              Qt::BlockingQueuedConnection);
}

void MainThread::performInBackground(std::function<void()> work)
{
    joinFinishedThreads();
    ++g_running;
    auto workDone = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([work = std::move(work), workDone]() mutable {
        work();
        // What the work holds (a run's engine) ends on this thread, before
        // anyone is told the work is over.
        work = nullptr;
        *workDone = true;
        --g_running;
    });
    const std::lock_guard<std::mutex> guard(g_threadsLock);
    threads().push_back({std::move(thread), std::move(workDone)});
}

int MainThread::backgroundThreadsRunning()
{
    return g_running.load();
}

bool MainThread::waitForBackgroundThreads(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (g_running.load() > 0) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    joinFinishedThreads();
    QCoreApplication::processEvents();
    return true;
}
