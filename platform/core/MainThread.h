#pragma once

#include <functional>

/// The main thread's event loop and background threads.
///
/// performAsync() queues work for the main thread and returns at once; work
/// queued from one thread runs in the order it was queued. performAndWait()
/// runs the work on the main thread and returns when it has run (directly
/// when already there). performInBackground() starts the work on a new thread
/// of its own. All need a QCoreApplication; callable from any thread.
class MainThread {
public:
    static bool isCurrent();
    static void performAsync(std::function<void()> work);
    static void performAndWait(std::function<void()> work);
    static void performInBackground(std::function<void()> work);

    /// Number of threads started by performInBackground() still running.
    static int backgroundThreadsRunning();
    /// Processes main-thread events until no background thread runs or the
    /// time is up; true when all have ended, their threads joined, so none
    /// of them still runs code when the process exits. Main thread only.
    static bool waitForBackgroundThreads(int timeoutMs);
};
