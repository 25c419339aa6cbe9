#pragma once

#include <QProcess>
#include <QString>

/// A private D-Bus session bus for one test: `dbus-daemon --session
/// --nofork --print-address` started as a child, its address exported as
/// DBUS_SESSION_BUS_ADDRESS, stopped by pid when the object goes away.
/// No service activation: whatever must answer on it the test starts itself.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isUp() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};
