#pragma once

#include <QString>

#include <exception>

/// A failed exchange with a scriptable application: the application is not
/// running, did not answer in time, answered with an error, went away during
/// the call, or answered with a reply of the wrong shape.
///
/// `name` is the D-Bus error name (the application's own, or the bus's, such
/// as "org.freedesktop.DBus.Error.ServiceUnknown"); `reason` is the message
/// that comes with it, with the method and object it concerns. Thrown by
/// ScriptingApplication on the calling thread; a plain value, safe to copy
/// and to pass between threads.
class ScriptingError : public std::exception {
public:
    ScriptingError(QString name, QString reason);

    QString name() const { return m_name; }
    QString reason() const { return m_reason; }
    /// "name: reason", for logs.
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_name;
    QString m_reason;
    QByteArray m_what;
};
