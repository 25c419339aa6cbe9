#pragma once

#include <QProcess>
#include <QString>

/// A private D-Bus bus for one test: `dbus-daemon --session --nofork
/// --print-address` started as a child, its address exported as
/// DBUS_SESSION_BUS_ADDRESS (or, standing in for the system bus,
/// DBUS_SYSTEM_BUS_ADDRESS), stopped by pid when the object goes away.
/// No service activation: whatever must answer on it the test starts itself.
class PrivateBus {
public:
    enum class Role { Session, System };
    explicit PrivateBus(Role role = Role::Session);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isUp() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

private:
    const char* m_variable;
    QProcess m_daemon;
    QString m_address;
};
