#include "DelegateFixture.h"

#include "core/MainThread.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"
#include "ui/ModalAlert.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <thread>

namespace {

// No library application runs in these tests: a run ends at its version
// check with the application-modal "Error" alert, which is enough to see
// which run started and when.
class ScanAction : public DelegateFixture {
protected:
    void SetUp() override
    {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        ModalAlert::setPresenter(&modal);
    }
    void TearDown() override
    {
        ASSERT_TRUE(MainThread::waitForBackgroundThreads(20000));
        ModalAlert::setPresenter(nullptr);
        DelegateFixture::TearDown();
    }
    TolvaneApertureAppDelegate& withOption(qint64 option, bool referenced = false)
    {
        return makeDelegate({{"ProcessingOption", option}, {"ExternallyReferenced", referenced}});
    }

    RecordingAlertPresenter modal;
    SystemLog::Capture log;
};

TEST_F(ScanAction, cancelledFolderChoiceStartsNothingAndLeavesNoFolder)
{
    auto& d = withOption(1, true);
    d.setReferencedFolder(QUrl::fromLocalFile("/earlier/choice"));
    openPanel.script({{OpenPanel::Cancel, {}}});
    d.selectionScan();
    EXPECT_EQ(MainThread::backgroundThreadsRunning(), 0);
    EXPECT_TRUE(d.referencedFolder().isEmpty());
    ASSERT_EQ(openPanel.shown().size(), 1u);
    const auto panel = openPanel.shown()[0];
    EXPECT_EQ(panel.title, "Export To");
    EXPECT_EQ(panel.message, "Where would you like to put the externally referenced JPEGs?");
    EXPECT_FALSE(panel.canChooseFiles);
    EXPECT_TRUE(panel.canChooseDirectories);
    EXPECT_TRUE(panel.canCreateDirectories);
    EXPECT_TRUE(modal.alerts().empty());
}

TEST_F(ScanAction, chosenFolderIsStoredBeforeTheRunStarts)
{
    auto& d = withOption(1, true);
    const QUrl folder = QUrl::fromLocalFile(QDir::tempPath());
    openPanel.script({{OpenPanel::OK, folder}});
    d.selectionScan();
    EXPECT_EQ(d.referencedFolder(), folder);
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(20000));
    ASSERT_EQ(modal.alerts().size(), 1u);
    EXPECT_EQ(modal.alerts()[0].messageText, "Error");
}

TEST_F(ScanAction, processingOptionPicksTheRun)
{
    // Only the pair run logs its work folder before the version check.
    auto& d = withOption(1);
    d.selectionScan();
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(20000));
    const QString workFolder = QDir::tempPath() + "/Tolvane-";
    EXPECT_TRUE(log.lines().filter(workFolder).isEmpty());
    EXPECT_EQ(modal.alerts().size(), 1u);
    drainEvents();
    EXPECT_EQ(statusLabel.stringValue(), "Ready");
    EXPECT_TRUE(scanButton.isEnabled());

    defaults().setValue(qint64(4), "ProcessingOption");
    d.selectionScan();
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(20000));
    EXPECT_EQ(log.lines().filter(workFolder).size(), 1);
    EXPECT_EQ(modal.alerts().size(), 2u);

    defaults().setValue(qint64(5), "ProcessingOption");
    d.selectionScan();
    EXPECT_EQ(MainThread::backgroundThreadsRunning(), 0);
    EXPECT_TRUE(log.contains("Invalid processing Option"));
    EXPECT_EQ(modal.alerts().size(), 2u);
}

TEST_F(ScanAction, anEstimateAsksForNoFolderAndRunsOnAThreadOfItsOwn)
{
    auto& d = withOption(1, true);
    d.selectionEstimate();
    EXPECT_TRUE(openPanel.shown().empty());
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(20000));
    ASSERT_EQ(modal.alerts().size(), 1u);
    EXPECT_EQ(modal.alerts()[0].messageText, "Error");
    EXPECT_FALSE(d.runUnderWay());
    EXPECT_TRUE(d.referencedFolder().isEmpty());
}

TEST_F(ScanAction, aSecondPressDuringARunStartsNothing)
{
    RecordingAlertPresenter waiting(/*automatic=*/false);
    ModalAlert::setPresenter(&waiting);
    auto& d = withOption(1);
    d.selectionScan();
    // The run now waits at its alert; the user presses scan again meanwhile.
    std::thread user([&] {
        while (waiting.showing() == 0)
            QThread::msleep(1);
        MainThread::performAndWait([&] { d.selectionScan(); });
        waiting.answer();
    });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(20000));
    user.join();
    EXPECT_EQ(waiting.alerts().size(), 1u);
    EXPECT_FALSE(d.runUnderWay());
}

} // namespace
