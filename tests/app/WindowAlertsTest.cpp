#include "WhenShown.h"
#include "WindowFixture.h"

#include "TestEnvironment.h"
#include "TolvaneApertureAppDelegate.h"
#include "core/MainThread.h"
#include "core/UserDefaults.h"
#include "ui/ModalAlert.h"
#include "widgets/MessageBoxAlertPresenter.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>

#include <atomic>

namespace {

class WindowAlerts : public WindowFixture {
protected:
    void TearDown() override
    {
        ModalAlert::setPresenter(nullptr);
        WindowFixture::TearDown();
    }
    QList<QMessageBox*> sheets() const
    {
        QList<QMessageBox*> shown;
        for (QMessageBox* box : controller->window()->findChildren<QMessageBox*>())
            if (box->isVisible() && box->windowModality() == Qt::WindowModal)
                shown << box;
        return shown;
    }

    MessageBoxAlertPresenter presenter;
};

TEST_F(WindowAlerts, sheetReturnsAtOnceWhileTheClassAlertBlocksItsCallerUntilAnswered)
{
    open();
    ModalAlert::setPresenter(&presenter);
    QMutex mutex;
    QStringList events;
    const auto note = [&](const QString& event) {
        QMutexLocker lock(&mutex);
        events << event;
    };
    std::atomic<bool> sheetUpWhenModalShown{false};
    WhenShown user([&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box || box->windowModality() != Qt::ApplicationModal)
            return;
        // The run is still waiting in the class alert; the sheet it put up
        // before is still there, unanswered.
        sheetUpWhenModalShown = sheets().size() == 1;
        note("modal alert answered");
        box->buttons().first()->click();
    });
    RunDelegate& run = delegate();
    MainThread::performInBackground([&] {
        run.showAlert("You need to select the photos you want me to process", "Unable To Process");
        note("sheet returned");
        RunDelegate::showModalAlert("Aperture is not running", "ERROR");
        note("class alert returned");
    });
    ASSERT_TRUE(MainThread::waitForBackgroundThreads(10000));

    EXPECT_EQ(events,
              (QStringList{"sheet returned", "modal alert answered", "class alert returned"}));
    EXPECT_TRUE(sheetUpWhenModalShown.load());
    const auto shown = sheets();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0]->windowModality(), Qt::WindowModal);
    EXPECT_EQ(shown[0]->text(), "Unable To Process");
    EXPECT_EQ(shown[0]->informativeText(), "You need to select the photos you want me to process");
    EXPECT_EQ(shown[0]->icon(), QMessageBox::Warning);
    ASSERT_EQ(shown[0]->buttons().size(), 1);
    EXPECT_EQ(shown[0]->buttons()[0]->text(), "OK");

    shown[0]->buttons()[0]->click();
    drainEvents();
    EXPECT_TRUE(sheets().isEmpty());
}

// The file dialog inside an open panel that is up.
QFileDialog* fileDialogOf(QWidget* window)
{
    return window->findChild<QFileDialog*>();
}

// What pressing its Open button does.
void pressOpen(QFileDialog* files)
{
    QMetaObject::invokeMethod(files, "accept");
}

TEST_F(WindowAlerts, readAccessPanelInsistsUntilOpenAndTakesTheLibraryFolderItself)
{
    open();
    const QString volume = TestEnvironment::makeScratchDir("volume");
    const QString library = volume + "/Main.aplibrary";
    ASSERT_TRUE(QDir().mkpath(library + "/Masters"));
    QFile database(library + "/Library.apdb");
    ASSERT_TRUE(database.open(QIODevice::WriteOnly));
    database.close();
    QStringList titles, messages, folders;
    QUrl chosen;
    WhenShown user([&](QWidget* window) {
        QFileDialog* files = fileDialogOf(window);
        if (!files)
            return;
        titles << window->windowTitle();
        messages << window->findChild<QLabel*>("openPanelMessage")->text();
        folders << files->directory().absolutePath();
        if (titles.size() < 3) {
            files->reject();
            return;
        }
        // Should Open on the folder not end the panel, a file inside it
        // does, and the count of panels tells.
        files->selectFile(titles.size() == 3 ? library : library + "/Library.apdb");
        pressOpen(files);
        chosen = files->selectedUrls().value(0);
    });
    delegate().userSelectedFiles(library);

    ASSERT_EQ(titles.size(), 3); // cancelled twice, then Open
    EXPECT_EQ(titles[0], "Read Access Required");
    EXPECT_EQ(messages[0], "Tolvane Requires read access to Main.aplibrary.\nPlease select it or "
                           "it's parent folder and hit the Open button.");
    EXPECT_EQ(folders[0], QDir(volume).absolutePath());
    EXPECT_EQ(titles[2], titles[0]);
    // Open on a folder chose it rather than entering it.
    EXPECT_EQ(chosen, QUrl::fromLocalFile(library));
}

} // namespace
