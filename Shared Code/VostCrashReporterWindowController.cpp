#include "VostCrashReporterWindowController.h"

#include "VostCrashReportSubmission.h"
#include "VostCrashReporterKeys.h"
#include "core/Bundle.h"
#include "core/Localization.h"
#include "core/OwnEmailAddress.h"
#include "core/UserDefaults.h"
#include "ui_VostCrashReporterWindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include <stdexcept>

namespace {

QString localized(const char* text)
{
    return Localization::localizedString(text);
}

void require(bool condition, const char* description)
{
    if (!condition) {
        throw std::invalid_argument(std::string("Invalid parameter not satisfying: ") +
                                    description +
                                    " (Shared Code/VostCrashReporterWindowController)");
    }
}

void centre(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace

QPointer<VostCrashReporterWindowController>
VostCrashReporterWindowController::showWindowForCrashLogPath(const QString& crashLogPath,
                                                             const QUrl& submissionURL)
{
    require(!crashLogPath.isEmpty(), "nil != crashLogPath");
    require(!submissionURL.isEmpty(), "nil != submissionURL");
    auto* controller = new VostCrashReporterWindowController;
    controller->m_crashLogPath = crashLogPath;
    controller->m_submissionURL = submissionURL;
    centre(controller->window());
    controller->window()->show();
    controller->m_selfReference = true;
    return controller;
}

VostCrashReporterWindowController::VostCrashReporterWindowController()
    : m_ui(std::make_unique<Ui::VostCrashReporterWindow>()), m_window(std::make_unique<QWidget>())
{
    m_ui->setupUi(m_window.get());
    m_window->installEventFilter(this);
    windowDidLoad();
}

VostCrashReporterWindowController::~VostCrashReporterWindowController() = default;

QString VostCrashReporterWindowController::applicationName()
{
    return Bundle::main().objectForInfoDictionaryKey(QStringLiteral("ValidatedTitle")).toString();
}

void VostCrashReporterWindowController::windowDidLoad()
{
    VostCrashReportSubmission::registerDefaults();
    const QString name = applicationName();
    const QString version =
        Bundle::main()
            .objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString"))
            .toString();
    m_window->setWindowTitle(
        version.isEmpty()
            ? localized("Crash Reporter: %@").replace(QLatin1String("%@"), name)
            : localized("Crash Reporter: %@ (%@)")
                  .replace(QLatin1String("(%@)"), QLatin1Char('(') + version + QLatin1Char(')'))
                  .replace(QLatin1String("%@"), name));

    m_emailAddress = OwnEmailAddress::primary();
    m_ui->emailAddressField->setText(m_emailAddress);
    connect(m_ui->emailAddressField, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_emailAddress = text.trimmed(); });

    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(10);
    m_ui->commentsTextView->setFont(font);
    m_ui->commentsTextView->setPlaceholderText(
        localized("Please enter a description of the actions leading up to the crash."));
    // Tab and Shift-Tab move the focus on rather than typing a tab.
    m_ui->commentsTextView->setTabChangesFocus(true);

    m_ui->explanationLabel->setText(
        localized("%@ quit unexpectedly the last time it was used. You can send the crash log "
                  "to help fix the problem.")
            .replace(QLatin1String("%@"), name));
    m_ui->commentsLabel->setText(localized("Comments:"));
    m_ui->emailAddressLabel->setText(localized("E-mail address:"));
    m_ui->includeEmailAddressCheckBox->setText(localized("Include my e-mail address"));
    m_ui->includeSystemInformationCheckBox->setText(
        localized("Include anonymous system information"));
    m_ui->reportButton->setText(localized("Report"));
    m_ui->ignoreButton->setText(localized("Ignore"));
    m_ui->discardButton->setText(localized("Discard"));
    bindSetting(m_ui->includeEmailAddressCheckBox, VostCrashReporterKeys::includeEmailAddress);
    bindSetting(m_ui->includeSystemInformationCheckBox,
                VostCrashReporterKeys::includeSystemInformation);

    m_ui->progressIndicator->setVisible(false);
    connect(m_ui->reportButton, &QPushButton::clicked, this,
            &VostCrashReporterWindowController::sendReport);
    connect(m_ui->ignoreButton, &QPushButton::clicked, this,
            &VostCrashReporterWindowController::ignoreReport);
    connect(m_ui->discardButton, &QPushButton::clicked, this,
            &VostCrashReporterWindowController::discardReport);
    m_ui->commentsTextView->setFocus();
}

void VostCrashReporterWindowController::bindSetting(QCheckBox* box, const QString& key)
{
    box->setChecked(UserDefaults::standard().boolForKey(key));
    connect(box, &QCheckBox::toggled, this,
            [key](bool on) { UserDefaults::standard().setValue(on, key); });
}

bool VostCrashReporterWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close)
        windowWillClose();
    return QObject::eventFilter(watched, event);
}

void VostCrashReporterWindowController::windowWillClose()
{
    if (!m_selfReference)
        return;
    m_selfReference = false;
    deleteLater();
}

void VostCrashReporterWindowController::sendReport()
{
    sendCrashReport();
}

void VostCrashReporterWindowController::sendCrashReport()
{
    m_submission = new VostCrashReportSubmission(m_crashLogPath, m_submissionURL, this);
    connect(m_submission, &VostCrashReportSubmission::succeeded, this,
            &VostCrashReporterWindowController::showSubmissionSucceededSheet, Qt::QueuedConnection);
    connect(m_submission, &VostCrashReportSubmission::failed, this,
            &VostCrashReporterWindowController::showSubmissionFailedSheet, Qt::QueuedConnection);
    m_ui->progressIndicator->setVisible(true);
    // The buttons stay disabled until the window goes away.
    m_ui->reportButton->setEnabled(false);
    m_ui->ignoreButton->setEnabled(false);
    m_ui->discardButton->setEnabled(false);
    m_submission->send(m_ui->commentsTextView->toPlainText(), m_emailAddress);
}

void VostCrashReporterWindowController::ignoreReport()
{
    hideWindow();
}

void VostCrashReporterWindowController::discardReport()
{
    VostCrashReportSubmission::discard(m_crashLogPath);
    hideWindow();
}

void VostCrashReporterWindowController::showSubmissionSucceededSheet()
{
    m_ui->progressIndicator->setVisible(false);
    showSheet(localized("The crash report was successfully submitted."),
              localized("Thank you for taking the time to help improve %@!")
                  .replace(QLatin1String("%@"), applicationName()));
}

void VostCrashReporterWindowController::showSubmissionFailedSheet(const QString& errorDescription)
{
    m_ui->progressIndicator->setVisible(false);
    showSheet(localized("An error occurred while submitting the crash report."),
              localized("The error was: %@").replace(QLatin1String("%@"), errorDescription));
}

void VostCrashReporterWindowController::showSheet(const QString& title, const QString& message)
{
    auto* sheet =
        new QMessageBox(QMessageBox::NoIcon, title, title, QMessageBox::Ok, m_window.get());
    sheet->setInformativeText(message);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QMessageBox::finished, this, &VostCrashReporterWindowController::hideWindow,
            Qt::QueuedConnection);
    sheet->open();
}

void VostCrashReporterWindowController::hideWindow()
{
    m_window->close();
}

QPlainTextEdit* VostCrashReporterWindowController::commentsTextView() const
{
    return m_ui->commentsTextView;
}
QPushButton* VostCrashReporterWindowController::reportButton() const
{
    return m_ui->reportButton;
}
QPushButton* VostCrashReporterWindowController::discardButton() const
{
    return m_ui->discardButton;
}
QPushButton* VostCrashReporterWindowController::ignoreButton() const
{
    return m_ui->ignoreButton;
}
QProgressBar* VostCrashReporterWindowController::progressIndicator() const
{
    return m_ui->progressIndicator;
}
QLineEdit* VostCrashReporterWindowController::emailAddressField() const
{
    return m_ui->emailAddressField;
}
QCheckBox* VostCrashReporterWindowController::includeEmailAddressCheckBox() const
{
    return m_ui->includeEmailAddressCheckBox;
}
QCheckBox* VostCrashReporterWindowController::includeSystemInformationCheckBox() const
{
    return m_ui->includeSystemInformationCheckBox;
}
