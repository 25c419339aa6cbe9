#include "ScriptingApplication.h"

#include "ScriptingError.h"
#include "ScriptingValue.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>

#include <climits>

namespace {

const QString kNoReplyError = QStringLiteral("org.freedesktop.DBus.Error.NoReply");
const QString kDisconnectedError = QStringLiteral("org.freedesktop.DBus.Error.Disconnected");
const QString kInvalidArgsError = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kInvalidSignatureError =
    QStringLiteral("org.freedesktop.DBus.Error.InvalidSignature");

QString sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
        return QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus");
    return {};
}

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("scripting-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

QDBusConnection openConnection(const QString& name, QString* problem)
{
    const QString address = sessionBusAddress();
    if (address.isEmpty()) {
        *problem = QStringLiteral("there is no session bus: DBUS_SESSION_BUS_ADDRESS is not set");
        return QDBusConnection(name);
    }
    QDBusConnection connection = QDBusConnection::connectToBus(address, name);
    if (!connection.isConnected())
        *problem = QStringLiteral("cannot connect to the session bus at %1: %2")
                       .arg(address, connection.lastError().message());
    return connection;
}

} // namespace

ScriptingApplication::ScriptingApplication(QString bundleIdentifier,
                                           std::shared_ptr<const ScriptingInterface> interface)
    : m_bundleIdentifier(std::move(bundleIdentifier)), m_interface(std::move(interface)),
      m_connectionName(nextConnectionName()), m_connectProblem(),
      m_connection(openConnection(m_connectionName, &m_connectProblem))
{
    ScriptingValue::registerTypes();
}

ScriptingApplication::~ScriptingApplication()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool ScriptingApplication::isRunning() const
{
    if (!m_connection.isConnected())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    message << m_bundleIdentifier;
    const QDBusMessage reply =
        m_connection.call(message, QDBus::Block, timeoutMilliseconds(DefaultTimeout));
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

void ScriptingApplication::setTimeout(int seconds)
{
    m_timeout.store(seconds);
}

int ScriptingApplication::timeoutMilliseconds(int seconds)
{
    if (seconds == NoTimeout)
        return INT_MAX;
    if (seconds < 0)
        return DefaultTimeoutSeconds * 1000;
    if (seconds > INT_MAX / 1000)
        return INT_MAX;
    return seconds * 1000;
}

void ScriptingApplication::setSendMode(int mode)
{
    m_sendMode.store(mode);
}

QVariantList ScriptingApplication::call(const QString& objectPath, const QString& method,
                                        const QVariantList& arguments) const
{
    const QString what =
        QStringLiteral("%1 on %2 of %3").arg(method, objectPath, m_bundleIdentifier);
    const ScriptingInterface::Method* declared = m_interface->method(method);
    if (!declared)
        throw ScriptingError(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                             QStringLiteral("%1: the interface %2 declares no such method")
                                 .arg(what, m_interface->name()));
    if (!ScriptingValue::isObjectPath(objectPath))
        throw ScriptingError(
            kInvalidArgsError,
            QStringLiteral("%1: '%2' is not an object path").arg(what, objectPath));
    const Result<QVariantList> wire = ScriptingValue::toWire(arguments, declared->inTypes);
    if (!wire)
        throw ScriptingError(kInvalidArgsError, QStringLiteral("%1: %2").arg(what, wire.error()));

    QDBusMessage message =
        QDBusMessage::createMethodCall(m_bundleIdentifier, objectPath, m_interface->name(), method);
    message.setArguments(*wire);
    message.setAutoStartService(false);
    const QDBusMessage reply = send(message, what);
    if ((m_sendMode.load() & WaitForReply) != WaitForReply)
        return {};
    if (reply.signature() != declared->outSignature)
        throw ScriptingError(
            kInvalidSignatureError,
            QStringLiteral("%1: the reply has the signature '%2', '%3' is declared")
                .arg(what, reply.signature(), declared->outSignature));
    QVariantList values;
    const QVariantList replyArguments = reply.arguments();
    values.reserve(replyArguments.size());
    for (const QVariant& argument : replyArguments)
        values.append(ScriptingValue::fromWire(argument));
    return values;
}

QDBusMessage ScriptingApplication::send(const QDBusMessage& message, const QString& what) const
{
    if (!m_connection.isConnected())
        throw ScriptingError(kDisconnectedError,
                             QStringLiteral("%1: %2").arg(
                                 what, m_connectProblem.isEmpty() ? QStringLiteral("not connected")
                                                                  : m_connectProblem));
    if ((m_sendMode.load() & WaitForReply) != WaitForReply) {
        if (!m_connection.send(message))
            throw ScriptingError(kDisconnectedError, QStringLiteral("%1: %2").arg(
                                                         what, m_connection.lastError().message()));
        return {};
    }
    const QDBusMessage reply =
        m_connection.call(message, QDBus::Block, timeoutMilliseconds(m_timeout.load()));
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw ScriptingError(reply.errorName().isEmpty() ? kNoReplyError : reply.errorName(),
                             QStringLiteral("%1 (%2)").arg(reply.errorMessage(), what));
    if (reply.type() != QDBusMessage::ReplyMessage)
        throw ScriptingError(kNoReplyError, QStringLiteral("%1: no reply").arg(what));
    return reply;
}
