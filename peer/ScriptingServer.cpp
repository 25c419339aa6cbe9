#include "ScriptingServer.h"

#include "Library.h"
#include "PeerError.h"
#include "ScriptingObject.h"
#include "Transaction.h"

#include "scripting/ScriptingInterface.h"
#include "scripting/ScriptingValue.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <unistd.h>

ScriptingServer::ScriptingServer(Library& library, ServeOptions options,
                                 std::shared_ptr<const ScriptingInterface> interface)
    : m_library(library), m_options(std::move(options)), m_interface(std::move(interface)),
      m_handler(library, m_options)
{
    ScriptingValue::registerTypes();
}

ScriptingServer::~ScriptingServer()
{
    if (!m_connection)
        return;
    m_connection->unregisterService(m_options.busName);
    m_connection->unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
}

Result<void> ScriptingServer::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Failure(QStringLiteral("no session bus: %1").arg(bus.lastError().message()));
    if (!bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath))
        return Failure(QStringLiteral("cannot register the library's objects on the bus"));
    if (!bus.registerService(m_options.busName)) {
        bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        const QString owner = bus.interface()->serviceOwner(m_options.busName).value();
        return Failure(
            QStringLiteral("the bus name %1 is already owned (by %2)")
                .arg(m_options.busName, owner.isEmpty() ? bus.lastError().message() : owner));
    }
    m_connection = bus;
    m_busWatch.setInterval(1000);
    QObject::connect(&m_busWatch, &QTimer::timeout, [this] {
        if (!m_connection->isConnected()) {
            std::fprintf(stderr, "photolib: the session bus went away\n");
            QCoreApplication::quit();
        }
    });
    m_busWatch.start();
    return {};
}

QString ScriptingServer::introspect(const QString&) const
{
    const QByteArray xml = m_interface->xml();
    const qsizetype begin = xml.indexOf("<interface");
    const qsizetype end = xml.lastIndexOf("</interface>");
    if (begin < 0 || end < begin)
        return {};
    return QString::fromUtf8(xml.mid(begin, end - begin + qsizetype(qstrlen("</interface>"))));
}

bool ScriptingServer::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable") ||
        message.interface() == QLatin1String("org.freedesktop.DBus.Peer"))
        return false;
    connection.send(answer(message));
    return true;
}

void ScriptingServer::killCaller(const QDBusMessage& message) const
{
    // The bus knows which process sent the call.
    const uint pid =
        m_connection ? m_connection->interface()->servicePid(message.service()).value() : 0;
    if (pid == 0 || pid == uint(::getpid())) {
        std::fprintf(stderr, "photolib: cannot tell which process called %s\n",
                     qPrintable(message.member()));
        return;
    }
    ::kill(pid_t(pid), SIGKILL);
}

QDBusMessage ScriptingServer::malformedReply(const QDBusMessage& message,
                                             const QString& outSignature)
{
    return message.createReply(outSignature == QLatin1String("i")
                                   ? QVariant(QStringLiteral("not of the declared shape"))
                                   : QVariant(7));
}

QDBusMessage ScriptingServer::emptyReply(const QDBusMessage& message,
                                         const ScriptingInterface::Method& declared)
{
    const QVariantList empty =
        declared.outTypes.isEmpty() ? QVariantList{} : QVariantList{QVariantList{}};
    if (const Result<QVariantList> wire = ScriptingValue::toWire(empty, declared.outTypes))
        return message.createReply(*wire);
    return malformedReply(message, declared.outSignature);
}

void ScriptingServer::endNow()
{
    std::fflush(nullptr);
    ::_exit(0);
}

// Faults --------------------------------------------------------------------

void ScriptingServer::beforeCall() const
{
    const FaultPlan& faults = m_options.faults;
    if (faults.endsAfter(m_answered))
        endNow(); // in the middle of a call, which gets no reply
    if (faults.callDelayMs > 0)
        QThread::msleep(ulong(faults.callDelayMs));
}

std::optional<QDBusMessage> ScriptingServer::faultyReply(const QDBusMessage& message,
                                                         const ScriptingInterface::Method& declared)
{
    const FaultPlan& faults = m_options.faults;
    const QString method = message.member();
    if (faults.wrongShapeMethods.contains(method))
        return malformedReply(message, declared.outSignature);
    const qint64 number = ++m_callsOfMethod[method];
    if (const auto fault = faults.faultAt(method, number)) {
        switch (*fault) {
        case FaultPlan::CallFault::Exit:
            endNow(); // the library dies in the middle of this call
        case FaultPlan::CallFault::KillCaller:
            killCaller(message);
            return message.createErrorReply(PeerError::busErrorName(PeerError::Code::Injected),
                                            QStringLiteral("the caller was killed"));
        case FaultPlan::CallFault::Malformed:
            return malformedReply(message, declared.outSignature);
        case FaultPlan::CallFault::Empty:
            return emptyReply(message, declared);
        case FaultPlan::CallFault::Fail:
            return message.createErrorReply(
                PeerError::busErrorName(PeerError::Code::Injected),
                QStringLiteral("call %1 of %2 fails as asked").arg(number).arg(method));
        }
    }
    if (method == QLatin1String("Export") && faults.failsExportOf(versionIds(message)))
        return emptyReply(message, declared);
    return std::nullopt;
}

QVariantList ScriptingServer::spoiled(const QDBusMessage& message, const QVariantList& arguments,
                                      QVariantList results) const
{
    if (results.isEmpty())
        return results;
    const FaultPlan& faults = m_options.faults;
    if (message.member() == QLatin1String("ValuesForKeys"))
        results[0] = faults.spoiledBulkRead(arguments.value(0).toList(),
                                            arguments.value(1).toStringList(), results[0].toList());
    else if (message.member().startsWith(QLatin1String("Get")))
        results[0] = faults.spoiledProperty(message.path(), arguments.value(0).toString(),
                                            std::move(results[0]));
    return results;
}

QStringList ScriptingServer::versionIds(const QDBusMessage& message)
{
    QStringList ids;
    const QVariant versions = ScriptingValue::fromWire(message.arguments().value(0));
    for (const QVariant& path : versions.toList()) {
        const auto object = ScriptingObject::parse(path.value<QDBusObjectPath>().path());
        if (object && object->kind() == ScriptingObject::Kind::Version)
            ids.append(object->key());
    }
    return ids;
}

// Answers -------------------------------------------------------------------

QDBusMessage ScriptingServer::answer(const QDBusMessage& message)
{
    beforeCall();
    const QString method = message.member();
    if (method == QLatin1String("CallCount") && message.interface() == m_interface->name() &&
        message.signature().isEmpty())
        return message.createReply(QVariant::fromValue<quint64>(m_answered));
    ++m_answered;
    if (message.interface() != m_interface->name() && !message.interface().isEmpty())
        return message.createErrorReply(
            QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
            QStringLiteral("the library answers only %1, not %2")
                .arg(m_interface->name(), message.interface()));
    const ScriptingInterface::Method* declared = m_interface->method(method);
    if (!declared)
        return message.createErrorReply(
            QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
            QStringLiteral("%1 declares no method %2").arg(m_interface->name(), method));
    if (message.signature() != declared->inSignature)
        return message.createErrorReply(
            QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
            QStringLiteral("%1 takes arguments of the signature '%2', not '%3'")
                .arg(method, declared->inSignature, message.signature()));
    if (const auto reply = faultyReply(message, *declared))
        return *reply;
    return carriedOut(message, *declared);
}

QDBusMessage ScriptingServer::carriedOut(const QDBusMessage& message,
                                         const ScriptingInterface::Method& declared)
{
    const QString method = message.member();
    QVariantList arguments;
    for (const QVariant& argument : message.arguments())
        arguments.append(ScriptingValue::fromWire(argument));
    bool committed = false;
    QDBusMessage reply;
    try {
        Transaction transaction(m_library.db(), ScriptingHandler::changesLibrary(method)
                                                    ? Transaction::Kind::Write
                                                    : Transaction::Kind::Read);
        const QVariantList results =
            spoiled(message, arguments, m_handler.handle(message.path(), method, arguments));
        const Result<QVariantList> wire = ScriptingValue::toWire(results, declared.outTypes);
        if (!wire)
            throw PeerError(
                PeerError::Code::Internal,
                QStringLiteral("the reply to %1 cannot be sent: %2").arg(method, wire.error()));
        transaction.commit();
        committed = true;
        reply = message.createReply(*wire);
    } catch (const PeerError& error) {
        reply = message.createErrorReply(error.busErrorName(), error.reason());
    } catch (const std::exception& error) {
        reply = message.createErrorReply(PeerError::busErrorName(PeerError::Code::Internal),
                                         QString::fromLocal8Bit(error.what()));
    }
    m_handler.finish(committed);
    if (reply.type() == QDBusMessage::ErrorMessage && !qEnvironmentVariableIsSet("PHOTOLIB_QUIET"))
        std::fprintf(stderr, "photolib: %s on %s: %s: %s\n", qPrintable(method),
                     qPrintable(message.path()), qPrintable(reply.errorName()),
                     qPrintable(reply.errorMessage()));
    return reply;
}
