#pragma once

#include "ScriptingInterface.h"

#include <QDBusConnection>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <memory>

/// A scriptable application on the D-Bus session bus, found by its bundle
/// identifier used as a well-known bus name.
///
/// Each instance opens a private connection of its own to the session bus
/// named by DBUS_SESSION_BUS_ADDRESS at construction (so a process that
/// switches buses, as tests do, reaches the current one) and closes it when
/// destroyed. Calls go to objects of the application, addressed by object
/// path, through one interface whose declaration is given at construction:
/// arguments are converted and checked against it before sending, and replies
/// are checked against it before they are returned.
///
/// Nothing is ever started: isRunning() only asks whether the name has an
/// owner, and calls are sent without auto-start. Every failure of a call — no
/// owner, time-out, error reply, the application gone during the call, a
/// reply of the wrong shape, no bus — throws ScriptingError on the calling
/// thread. All functions may be called from any thread; a call blocks its
/// thread until the reply arrives (or the time-out passes).
class ScriptingApplication {
public:
    /// Time-out values of setTimeout(): no time-out, and the default.
    static constexpr int NoTimeout = -2;
    static constexpr int DefaultTimeout = -1;
    static constexpr int DefaultTimeoutSeconds = 120;
    /// Send modes of setSendMode(): send without waiting for any reply, and
    /// wait for the reply (the default).
    static constexpr int NoReply = 1;
    static constexpr int WaitForReply = 3;

    ScriptingApplication(QString bundleIdentifier,
                         std::shared_ptr<const ScriptingInterface> interface);
    ~ScriptingApplication();
    ScriptingApplication(const ScriptingApplication&) = delete;
    ScriptingApplication& operator=(const ScriptingApplication&) = delete;

    QString bundleIdentifier() const { return m_bundleIdentifier; }
    const ScriptingInterface& interface() const { return *m_interface; }

    /// Whether the application's bus name has an owner. Starts nothing;
    /// false when there is no bus.
    bool isRunning() const;

    /// Seconds to wait for each reply; NoTimeout waits for ever,
    /// DefaultTimeout (and any other negative value) means 120 s.
    void setTimeout(int seconds);
    int timeout() const { return m_timeout.load(); }
    /// The reply time-out in milliseconds for a time-out in seconds.
    static int timeoutMilliseconds(int seconds);

    /// WaitForReply (and any mode that includes it) waits; NoReply sends the
    /// call and returns an empty reply at once.
    void setSendMode(int mode);
    int sendMode() const { return m_sendMode.load(); }

    /// Calls `method` on the object at `objectPath` with `arguments` (our
    /// values, see ScriptingValue) and returns the reply's values, unpacked.
    /// Throws ScriptingError on every failure.
    QVariantList call(const QString& objectPath, const QString& method,
                      const QVariantList& arguments = {}) const;

private:
    QDBusMessage send(const QDBusMessage& message, const QString& what) const;

    const QString m_bundleIdentifier;
    const std::shared_ptr<const ScriptingInterface> m_interface;
    const QString m_connectionName;
    QString m_connectProblem; // before m_connection, which fills it in
    QDBusConnection m_connection;
    std::atomic<int> m_timeout{DefaultTimeout};
    std::atomic<int> m_sendMode{WaitForReply};
};
