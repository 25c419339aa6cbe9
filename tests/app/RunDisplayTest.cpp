#include "WindowFixture.h"

#include "PeerSession.h"
#include "PrivateBus.h"

#include "TolvaneApertureAppDelegate.h"
#include "core/MainThread.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"
#include "widgets/ProgressBarIndicator.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

class RunDisplay : public WindowFixture {
protected:
    void SetUp() override
    {
        open();
        scanButton = find<QPushButton>("selectionScanButton");
        statusLabel = find<QLabel>("statusLabel");
        countLabel = find<QLabel>("countLabel");
        bar = find<QProgressBar>("progressIndicator");
        referencedCheck = find<QCheckBox>("externallyReferencedCheck");
    }
    // Runs `steps` on a thread of its own, as a run does, and lets the
    // window catch up.
    void fromRunThread(std::function<void(RunDelegate&)> steps)
    {
        RunDelegate& run = delegate();
        MainThread::performInBackground([&run, steps] { steps(run); });
        ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));
        drainEvents();
    }

    QPushButton* scanButton = nullptr;
    QLabel* statusLabel = nullptr;
    QLabel* countLabel = nullptr;
    QProgressBar* bar = nullptr;
    QCheckBox* referencedCheck = nullptr;
};

TEST_F(RunDisplay, scanButtonAndReferencedSwitchAreDisabledDuringARunAndGivenBackAfterIt)
{
    EXPECT_TRUE(scanButton->isEnabled());
    EXPECT_TRUE(referencedCheck->isEnabled());
    fromRunThread([](RunDelegate& run) {
        run.setScanButtonEnabled(false);
        run.setNowProcessing(true);
        run.setStatusText("Processing");
        run.setProgressMaxValue(4);
        run.setCountText("IMG_0001.dng");
        run.setProgressValue(1);
        run.setCountText("IMG_0002.dng");
        run.setProgressValue(2);
    });
    EXPECT_FALSE(scanButton->isEnabled());
    EXPECT_FALSE(referencedCheck->isEnabled());
    // A run reads the switch once: a click now changes nothing.
    QTest::mouseClick(referencedCheck, Qt::LeftButton);
    EXPECT_FALSE(referencedCheck->isChecked());
    EXPECT_FALSE(UserDefaults::standard().boolForKey("ExternallyReferenced"));
    EXPECT_EQ(statusLabel->text(), "Processing");
    EXPECT_EQ(countLabel->text(), "IMG_0002.dng");
    EXPECT_EQ(bar->value(), ProgressBarIndicator::Steps / 2);

    // Return, the default button's key, does nothing while it is disabled.
    QSignalSpy presses(scanButton, &QPushButton::clicked);
    QTest::keyClick(controller->window(), Qt::Key_Return);
    EXPECT_EQ(presses.count(), 0);

    fromRunThread([](RunDelegate& run) {
        run.setScanButtonEnabled(true);
        run.setCountText("");
        run.setStatusText("Ready");
        run.setNowProcessing(false);
        run.setProgressValue(0);
    });
    EXPECT_TRUE(scanButton->isEnabled());
    EXPECT_TRUE(referencedCheck->isEnabled());
    // The press reaches the scan action; an option it refuses keeps it from
    // starting a run this test has no library for.
    UserDefaults::standard().setValue(qint64(9), "ProcessingOption");
    SystemLog::Capture log;
    QTest::keyClick(controller->window(), Qt::Key_Return);
    EXPECT_EQ(presses.count(), 1);
    EXPECT_TRUE(log.contains("Invalid processing Option"));
    EXPECT_EQ(MainThread::backgroundThreadsRunning(), 0);
    EXPECT_EQ(statusLabel->text(), "Ready");
    EXPECT_TRUE(countLabel->text().isEmpty());
    EXPECT_EQ(bar->value(), 0);
}

// Coming to the front shows the number of images selected in the library,
// left alone while a run is under way; with no library running it is 0.
TEST_F(RunDisplay, activationShowsTheNumberOfImagesSelectedInTheLibrary)
{
    PeerSession library;
    ASSERT_TRUE(
        library.start({"--seed", "7", "--count", "12", "--pairs", "0", "--max-megapixels", "0.05"}))
        << qPrintable(library.problem());
    int status = -1;
    PeerProcess::run({"select", library.library(), "--all"}, &status);
    ASSERT_EQ(status, 0);
    const QStringList all = PeerProcess::idsIn(library.show(), "selection");
    ASSERT_EQ(all.size(), 12);
    auto* selected = find<QLabel>("selectedLabel");

    delegate().applicationDidBecomeActive();
    EXPECT_EQ(selected->text(), "12");

    PeerProcess::run(QStringList{"select", library.library()} + all.mid(0, 3), &status);
    ASSERT_EQ(status, 0);
    delegate().setNowProcessing(true);
    delegate().applicationDidBecomeActive();
    EXPECT_EQ(selected->text(), "12");
    delegate().setNowProcessing(false);
    delegate().applicationDidBecomeActive();
    EXPECT_EQ(selected->text(), "3");

    library.peer().stop();
    delegate().applicationDidBecomeActive();
    EXPECT_EQ(selected->text(), "0");
}

} // namespace
