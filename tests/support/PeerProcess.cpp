#include "PeerProcess.h"

#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <atomic>
#include <csignal>

namespace {

/// Whether process `pid` owns the bus name.
bool ownsName(const QString& name, qint64 pid)
{
    static std::atomic<int> counter{0};
    const QString connectionName = QStringLiteral("peer-process-probe-%1").arg(++counter);
    bool owned = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), connectionName);
        if (bus.isConnected() && bus.interface()->isServiceRegistered(name).value())
            owned = qint64(bus.interface()->servicePid(name).value()) == pid;
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return owned;
}

} // namespace

QString PeerProcess::executable()
{
    return QStringLiteral(TOLVANE_PEER_EXECUTABLE);
}

QByteArray PeerProcess::run(const QStringList& arguments, int* exitCode, QString* errors,
                            int timeoutMs)
{
    QProcess process;
    process.start(executable(), arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(3000);
    }
    if (exitCode)
        *exitCode =
            finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (errors)
        *errors = QString::fromLocal8Bit(process.readAllStandardError());
    return process.readAllStandardOutput();
}

QJsonObject PeerProcess::show(const QString& library)
{
    int status = -1;
    const QByteArray json = run({QStringLiteral("show"), library}, &status);
    return status == 0 ? QJsonDocument::fromJson(json).object() : QJsonObject();
}

bool PeerProcess::makeSample(const QString& library, const QStringList& options)
{
    int status = -1;
    run(QStringList{QStringLiteral("sample"), library} + options, &status);
    return status == 0;
}

QJsonObject PeerProcess::versionIn(const QJsonObject& library, const QString& id)
{
    for (const QJsonValue& version : library.value(QStringLiteral("versions")).toArray())
        if (version.toObject().value(QStringLiteral("id")).toString() == id)
            return version.toObject();
    return {};
}

QStringList PeerProcess::idsIn(const QJsonObject& library, const QString& list)
{
    QStringList ids;
    for (const QJsonValue& id : library.value(list).toArray())
        ids.append(id.toString());
    return ids;
}

PeerProcess::PeerProcess(QString library, QStringList serveOptions, QString busName)
    : m_library(std::move(library)), m_options(std::move(serveOptions)),
      m_busName(std::move(busName))
{}

PeerProcess::~PeerProcess()
{
    if (isRunning())
        stop();
}

bool PeerProcess::start(int timeoutMs)
{
    m_logPath = TestEnvironment::makeScratchDir(QStringLiteral("photolib-log")) +
                QStringLiteral("/serve.log");
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_logPath);
    m_process.start(executable(), QStringList{QStringLiteral("serve"), m_library,
                                              QStringLiteral("--bus-name"), m_busName} +
                                      m_options);
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            return false;
        if (ownsName(m_busName, m_process.processId()))
            return true;
        m_process.waitForFinished(20);
    }
    return false;
}

int PeerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

int PeerProcess::waitForExit(int timeoutMs)
{
    if (!m_process.waitForFinished(timeoutMs) && m_process.state() != QProcess::NotRunning)
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString PeerProcess::standardError() const
{
    QFile log(m_logPath);
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}
