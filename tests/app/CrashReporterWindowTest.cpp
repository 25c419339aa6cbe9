// The crash report window as a user meets it: title, placeholder, focus,
// the e-mail address from the desktop's identity settings, and the three
// ways out (report to a real server on loopback, ignore, discard), each
// closing the window and ending its controller. Also its texts in German.
#include "LoopbackReportServer.h"
#include "TestEnvironment.h"
#include "VostCrashReporterKeys.h"
#include "VostCrashReporterWindowController.h"
#include "core/Localization.h"
#include "core/UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class CrashReporterWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::setStandard(std::make_shared<UserDefaults>(QString()));
        m_log = TestEnvironment::makeScratchDir(QStringLiteral("logs")) +
                QStringLiteral("/Tolvane_w.crash");
        QFile file(m_log);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Exception Type:  SIGSEGV\n");
        m_identities = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/emaildefaults");
    }
    void TearDown() override
    {
        QFile::remove(m_identities);
        Localization::install(QString());
        delete m_controller.data();
    }

    VostCrashReporterWindowController* show()
    {
        m_controller =
            VostCrashReporterWindowController::showWindowForCrashLogPath(m_log, m_server.url());
        return m_controller;
    }
    // Runs the event loop until `done` holds or 20 s pass.
    template <class Condition> static bool waitFor(Condition done)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    QMessageBox* sheet() const
    {
        return m_controller ? m_controller->window()->findChild<QMessageBox*>() : nullptr;
    }

    LoopbackReportServer m_server;
    QString m_log;
    QString m_identities;
    QPointer<VostCrashReporterWindowController> m_controller;
};

TEST_F(CrashReporterWindow, showsTitlePlaceholderAndTheDesktopsAddressAndTabMovesTheFocus)
{
    QFile identities(m_identities);
    ASSERT_TRUE(identities.open(QIODevice::WriteOnly));
    identities.write("[PROFILE_Default]\nEmailAddress=ada@example.org\nFullName=Ada\n");
    identities.close();

    VostCrashReporterWindowController* controller = show();
    QWidget* window = controller->window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Crash Reporter: Tolvane (1.0)"));
    EXPECT_EQ(controller->commentsTextView()->placeholderText(),
              QStringLiteral("Please enter a description of the actions leading up to the crash."));
    EXPECT_EQ(controller->commentsTextView()->font().pointSize(), 10);
    EXPECT_EQ(controller->emailAddress(), QStringLiteral("ada@example.org"));
    EXPECT_EQ(controller->emailAddressField()->text(), QStringLiteral("ada@example.org"));
    EXPECT_TRUE(controller->includeEmailAddressCheckBox()->isChecked());
    EXPECT_TRUE(controller->includeSystemInformationCheckBox()->isChecked());
    EXPECT_FALSE(controller->progressIndicator()->isVisible());

    controller->includeSystemInformationCheckBox()->click();
    EXPECT_FALSE(
        UserDefaults::standard().boolForKey(VostCrashReporterKeys::includeSystemInformation));

    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    controller->commentsTextView()->setFocus();
    QTest::keyClick(controller->commentsTextView(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), controller->emailAddressField());
    EXPECT_TRUE(controller->commentsTextView()->toPlainText().isEmpty()) << "no tab typed";
    QTest::keyClick(controller->emailAddressField(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), controller->commentsTextView());

    EXPECT_THROW(
        VostCrashReporterWindowController::showWindowForCrashLogPath(QString(), m_server.url()),
        std::invalid_argument);
    EXPECT_THROW(VostCrashReporterWindowController::showWindowForCrashLogPath(m_log, QUrl()),
                 std::invalid_argument);
}

TEST_F(CrashReporterWindow, reportSendsDisablesTheButtonsAndAfterTheSuccessSheetCloses)
{
    m_server.answer(200, "ok\n", 300);
    VostCrashReporterWindowController* controller = show();
    controller->commentsTextView()->setPlainText(QStringLiteral("It crashed on Scan."));
    QTest::mouseClick(controller->reportButton(), Qt::LeftButton);
    EXPECT_FALSE(controller->reportButton()->isEnabled());
    EXPECT_FALSE(controller->ignoreButton()->isEnabled());
    EXPECT_FALSE(controller->discardButton()->isEnabled());
    EXPECT_TRUE(controller->progressIndicator()->isVisible());

    ASSERT_TRUE(waitFor([this] { return sheet() != nullptr; }));
    EXPECT_EQ(sheet()->text(), QStringLiteral("The crash report was successfully submitted."));
    EXPECT_EQ(sheet()->informativeText(),
              QStringLiteral("Thank you for taking the time to help improve Tolvane!"));
    EXPECT_FALSE(controller->progressIndicator()->isVisible());
    EXPECT_TRUE(m_server.lastBody().contains("It crashed on Scan."));
    EXPECT_FALSE(QFile::exists(m_log));

    sheet()->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(waitFor([this] { return m_controller.isNull(); }))
        << "the controller ends with its window";
}

TEST_F(CrashReporterWindow, aFailedReportShowsTheErrorAndKeepsTheLog)
{
    m_server.answer(200, "OK\n");
    VostCrashReporterWindowController* controller = show();
    controller->sendReport();
    ASSERT_TRUE(waitFor([this] { return sheet() != nullptr; }));
    EXPECT_EQ(sheet()->text(),
              QStringLiteral("An error occurred while submitting the crash report."));
    EXPECT_EQ(sheet()->informativeText(),
              QStringLiteral("The error was: Unrecognized response from the server"));
    EXPECT_TRUE(QFile::exists(m_log));
    sheet()->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(waitFor([this] { return m_controller.isNull(); }));
}

TEST_F(CrashReporterWindow, ignoreKeepsTheLogAndDiscardTrashesItBothClosingTheWindow)
{
    show()->ignoreButton()->click();
    EXPECT_TRUE(waitFor([this] { return m_controller.isNull(); }));
    EXPECT_TRUE(QFile::exists(m_log));
    EXPECT_EQ(m_server.requestCount(), 0);

    show()->discardButton()->click();
    EXPECT_TRUE(waitFor([this] { return m_controller.isNull(); }));
    EXPECT_FALSE(QFile::exists(m_log));
    EXPECT_TRUE(
        QFile::exists(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/Trash/files/Tolvane_w.crash")));
}

TEST_F(CrashReporterWindow, speaksGermanUnderAGermanLocaleAndEnglishWhereNoTableOrEntryExists)
{
    // The main table and the mover's.
    ASSERT_EQ(
        Localization::install(Localization::bundleTranslationsFolder(), QLocale(QLocale::German)),
        2);
    VostCrashReporterWindowController* controller = show();
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("Absturzbericht: Tolvane (1.0)"));
    EXPECT_EQ(controller->reportButton()->text(), QStringLiteral("Senden"));
    EXPECT_EQ(Localization::localizedString("A text no table holds"),
              QStringLiteral("A text no table holds"));
    delete m_controller.data();

    EXPECT_EQ(
        Localization::install(Localization::bundleTranslationsFolder(), QLocale(QLocale::French)),
        0);
    controller = show();
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("Crash Reporter: Tolvane (1.0)"));
    EXPECT_EQ(controller->reportButton()->text(), QStringLiteral("Report"));
}

} // namespace
