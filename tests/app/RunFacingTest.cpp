#include "DelegateFixture.h"
#include "RecordingAlertPresenter.h"

#include "core/MainThread.h"
#include "ui/ModalAlert.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

class RunFacing : public DelegateFixture {};

TEST_F(RunFacing, progressFromARunThreadReachesTheMainThreadInOrder)
{
    auto& d = makeDelegate();
    MainThread::performInBackground([&d] {
        d.setProgressMaxValue(7);
        for (int step = 0; step <= 7; ++step)
            d.setProgressValue(step);
        d.setScanButtonEnabled(false);
        d.setStatusText("Converting");
        d.setScanButtonEnabled(true);
        d.setProgressValue(0);
    });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));
    drainEvents();

    const auto events = progress.history();
    ASSERT_EQ(events.size(), 10u);
    EXPECT_EQ(events[0].kind, RecordingProgressIndicator::Event::Kind::Max);
    EXPECT_EQ(events[0].value, 7);
    for (int step = 0; step <= 7; ++step)
        EXPECT_EQ(events[1 + step].value, step);
    EXPECT_EQ(events[9].value, 0);
    EXPECT_EQ(progress.offMainThreadCalls(), 0);
    EXPECT_EQ(scanButton.history(), (std::vector<bool>{false, true}));
    EXPECT_EQ(scanButton.offMainThreadCalls(), 0);
    EXPECT_EQ(statusLabel.history(), QStringList{"Converting"});
}

TEST_F(RunFacing, classAlertBlocksItsCallerUntilAnsweredWhileTheSheetDoesNot)
{
    auto& d = makeDelegate();
    RecordingAlertPresenter presenter(/*automatic=*/false);
    ModalAlert::setPresenter(&presenter);
    std::atomic<int> stage{0};
    MainThread::performInBackground([&] {
        d.showAlert("sheet text", "Sheet");
        stage = 1; // the sheet form returned while its sheet is still up
        RunDelegate::showModalAlert("modal text", "ERROR");
        stage = 2;
    });
    // The user, on a thread of their own, looks at the modal alert for a while
    // and then answers it; meanwhile the main thread runs its event loop.
    std::atomic<int> stageWhileShown{-1};
    std::thread user([&] {
        while (presenter.showing() == 0)
            QThread::msleep(1);
        QThread::msleep(50);
        stageWhileShown = stage.load();
        presenter.answer();
    });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));
    user.join();
    EXPECT_EQ(stageWhileShown.load(), 1);
    ASSERT_EQ(window.alertSheets().size(), 1u);
    EXPECT_EQ(window.alertSheets()[0].messageText, "Sheet");
    EXPECT_EQ(window.alertSheets()[0].informativeText, "sheet text");
    EXPECT_EQ(stage.load(), 2);
    ASSERT_EQ(presenter.alerts().size(), 1u);
    EXPECT_EQ(presenter.alerts()[0].messageText, "ERROR");
    EXPECT_EQ(presenter.alerts()[0].buttons, QStringList{"OK"});
    ModalAlert::setPresenter(nullptr);
}

} // namespace
