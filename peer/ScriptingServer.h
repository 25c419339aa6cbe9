#pragma once

#include "ScriptingHandler.h"
#include "ServeOptions.h"

#include "scripting/ScriptingInterface.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QTimer>

#include <memory>

class Library;

/// Answers the scripting interface on the session bus for one library: owns
/// the bus name, receives every call addressed to any object path, checks it
/// against the declared interface, runs it in one transaction through the
/// ScriptingHandler and replies — with the results, or with an error reply
/// (org.photolib.Error.<name>) after rolling everything back. The server
/// keeps serving after any error.
///
/// Calls are handled one at a time on the thread the object lives on (the
/// main thread). It counts the calls it answers (CallCount itself not
/// counted) and applies the FaultPlan of its ServeOptions. When the bus
/// goes away the event loop is ended: a server never outlives its bus.
class ScriptingServer : public QDBusVirtualObject {
public:
    ScriptingServer(Library& library, ServeOptions options,
                    std::shared_ptr<const ScriptingInterface> interface);
    ~ScriptingServer() override;

    /// Connects to the session bus, registers the objects and takes the bus
    /// name; fails when the name has another owner or there is no bus.
    Result<void> start();
    quint64 answeredCalls() const { return m_answered; }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusMessage answer(const QDBusMessage& message);
    /// Runs the call through the handler in one transaction.
    QDBusMessage carriedOut(const QDBusMessage& message,
                            const ScriptingInterface::Method& declared);

    // The fault plan, applied: before each call, in place of the reply, and
    // to the results of a call carried out.
    void beforeCall() const;
    /// The reply the plan puts in place of carrying out this call (counting
    /// the call among its method's), if any.
    std::optional<QDBusMessage> faultyReply(const QDBusMessage& message,
                                            const ScriptingInterface::Method& declared);
    QVariantList spoiled(const QDBusMessage& message, const QVariantList& arguments,
                         QVariantList results) const;
    /// Kills the process that sent the message.
    void killCaller(const QDBusMessage& message) const;
    [[noreturn]] static void endNow();
    static QStringList versionIds(const QDBusMessage& message);
    static QDBusMessage malformedReply(const QDBusMessage& message, const QString& outSignature);
    static QDBusMessage emptyReply(const QDBusMessage& message,
                                   const ScriptingInterface::Method& declared);

    Library& m_library;
    const ServeOptions m_options;
    const std::shared_ptr<const ScriptingInterface> m_interface;
    ScriptingHandler m_handler;
    std::optional<QDBusConnection> m_connection;
    quint64 m_answered = 0;
    QHash<QString, qint64> m_callsOfMethod;
    QTimer m_busWatch;
};
