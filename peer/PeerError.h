#pragma once

#include <QString>

#include <exception>

/// A request the library cannot carry out: an unknown object, a value of the
/// wrong type, a missing file, a busy database, a failed render.
///
/// `name` is a short PascalCase word ("NoSuchObject"); on the bus it becomes
/// the error name "org.photolib.Error.<name>". `reason` says what was asked
/// and what went wrong, with the object, file or step. Thrown by the library
/// code on the thread that does the work and caught where a call or a
/// command ends: a caught PeerError means the transaction is rolled back.
class PeerError : public std::exception {
public:
    PeerError(QString name, QString reason);

    QString name() const { return m_name; }
    QString reason() const { return m_reason; }
    /// The D-Bus error name.
    QString busErrorName() const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_name;
    QString m_reason;
    QByteArray m_what;
};
