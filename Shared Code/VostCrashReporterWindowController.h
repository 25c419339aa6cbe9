#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class VostCrashReportSubmission;
namespace Ui {
class VostCrashReporterWindow;
}

/// The crash report window: the user adds comments and sends the log,
/// ignores it (offered again at the next launch) or discards it into the
/// Trash. The e-mail address and the two inclusion settings are shown and
/// may be changed; the settings are the defaults store's.
///
/// showWindowForCrashLogPath() makes a controller that keeps itself alive
/// until its window closes, then deletes itself. Main thread only. Sending
/// runs asynchronously; its end is told in a sheet, after which the window
/// goes away. A missing path or address throws std::invalid_argument.
class VostCrashReporterWindowController : public QObject {
    Q_OBJECT
public:
    static QPointer<VostCrashReporterWindowController>
    showWindowForCrashLogPath(const QString& crashLogPath, const QUrl& submissionURL);

    VostCrashReporterWindowController();
    ~VostCrashReporterWindowController() override;

    QWidget* window() const { return m_window.get(); }
    QString emailAddress() const { return m_emailAddress; }
    QString crashLogPath() const { return m_crashLogPath; }
    QUrl submissionURL() const { return m_submissionURL; }
    /// "ValidatedTitle" of the main bundle.
    static QString applicationName();

    // Actions.
    void sendReport();
    void ignoreReport();
    void discardReport();

    // Outlets.
    QPlainTextEdit* commentsTextView() const;
    QPushButton* reportButton() const;
    QPushButton* discardButton() const;
    QPushButton* ignoreButton() const;
    QProgressBar* progressIndicator() const;
    QLineEdit* emailAddressField() const;
    QCheckBox* includeEmailAddressCheckBox() const;
    QCheckBox* includeSystemInformationCheckBox() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidLoad();
    void windowWillClose();
    void bindSetting(QCheckBox* box, const QString& key);
    void sendCrashReport();
    void showSubmissionSucceededSheet();
    void showSubmissionFailedSheet(const QString& errorDescription);
    void showSheet(const QString& title, const QString& message);
    void hideWindow();

    std::unique_ptr<Ui::VostCrashReporterWindow> m_ui;
    std::unique_ptr<QWidget> m_window;
    VostCrashReportSubmission* m_submission = nullptr;
    QString m_emailAddress;
    QString m_crashLogPath;
    QUrl m_submissionURL;
    /// Set from showing until the window closes: the controller's own hold
    /// on itself.
    bool m_selfReference = false;
};
