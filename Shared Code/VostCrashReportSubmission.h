#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantMap>

class QNetworkAccessManager;
class QNetworkReply;

/// Sends one crash log: builds the form (system information, e-mail
/// address, comments, the log, the application's facts, the date), posts it
/// as multipart/form-data and reads the one-line answer. Only the exact
/// answer "ok\n" is success: the last report date then moves to the log's
/// modification date and the log is deleted. Anything else, a network
/// failure included, ends in failed() and changes nothing, so the log is
/// offered again.
///
/// Shared by the report window and the terminal front end. Main thread;
/// the upload is asynchronous on the event loop. Also discards a log into
/// the Trash.
class VostCrashReportSubmission : public QObject {
    Q_OBJECT
public:
    static constexpr const char* boundary = "81e29ba4f957efe5916039f587fe3ed7";

    VostCrashReportSubmission(QString crashLogPath, QUrl submissionURL, QObject* parent = nullptr);
    ~VostCrashReportSubmission() override;

    /// Registers the inclusion settings' defaults (both on); done by the
    /// constructor, and by the window before it shows them.
    static void registerDefaults();

    /// The form values to send, by the inclusion settings of the defaults.
    QVariantMap formValues(const QString& comments, const QString& emailAddress) const;
    /// Starts the upload; succeeded() or failed() follows. False (with
    /// failed() already emitted) when the log cannot be read.
    bool send(const QString& comments, const QString& emailAddress);
    bool isSending() const { return !m_reply.isNull(); }

    /// Moves a crash log to the Trash; logs and returns false when it fails.
    static bool discard(const QString& crashLogPath);
    /// The "date" field: now, in the medium styles of the reporting locale.
    static QString reportDate();

Q_SIGNALS:
    void succeeded();
    void failed(const QString& errorDescription);

private:
    friend class VostCrashReportSubmissionTest;

    void finishLoading();
    void recordSubmitted();

    QString m_crashLogPath;
    QUrl m_submissionURL;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_responseData;
    int m_transferTimeoutMs = 120000;
};
