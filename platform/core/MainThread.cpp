#include "MainThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <atomic>

namespace {
std::atomic<int> g_running{0};
}

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
    ++g_running;
    QThread* thread = QThread::create([work = std::move(work)] {
        work();
        --g_running;
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
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
    QCoreApplication::processEvents();
    return true;
}
