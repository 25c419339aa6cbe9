#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

/// The stand-in photo library application (`photolib`) for tests.
///
/// The static functions run one command to its end (create, import, show,
/// sample, …). An instance runs `photolib serve` on a library as a child
/// process on the current session bus (start a PrivateBus first): start()
/// returns once the bus name has an owner, stop() sends SIGTERM by pid and
/// reaps the process; the destructor stops it too. The server's standard
/// error goes to a log file that standardError() reads. Main thread only.
class PeerProcess {
public:
    /// The photolib executable of this build.
    static QString executable();
    /// Runs `photolib arguments…`; returns standard output. The exit status
    /// goes to `exitCode` (-1 when it crashed or did not finish in time), the
    /// standard error to `errors`.
    static QByteArray run(const QStringList& arguments, int* exitCode = nullptr,
                          QString* errors = nullptr, int timeoutMs = 300000);
    /// `photolib show` of the library, parsed; empty when it failed.
    static QJsonObject show(const QString& library);
    /// `photolib sample` into `library` with the options given; true when it
    /// succeeded.
    static bool makeSample(const QString& library, const QStringList& options);
    /// The entry of image version `id` in a `show` document; empty when absent.
    static QJsonObject versionIn(const QJsonObject& library, const QString& id);
    /// The ids of a `show` document's list (such as "selection").
    static QStringList idsIn(const QJsonObject& library, const QString& list);

    explicit PeerProcess(QString library, QStringList serveOptions = {},
                         QString busName = QStringLiteral("com.apple.aperture"));
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    /// Starts the server and waits until it owns its bus name; false when it
    /// ended or did not get there in time (the reason in standardError()).
    bool start(int timeoutMs = 20000);
    /// SIGTERM, then waits; returns the exit status (-1 after a crash or kill).
    int stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    /// Waits for the server to end by itself; its exit status, -1 on time-out.
    int waitForExit(int timeoutMs = 10000);
    qint64 pid() const { return m_process.processId(); }
    QString busName() const { return m_busName; }
    QString library() const { return m_library; }
    QString standardError() const;

private:
    QString m_library;
    QStringList m_options;
    QString m_busName;
    QString m_logPath;
    QProcess m_process;
};
