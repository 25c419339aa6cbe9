#pragma once

#include <QString>

#include <exception>

/// A request the library cannot carry out: an unknown object, a value of the
/// wrong type, a missing file, a busy database, a failed render.
///
/// `code` says what kind of failure it is; its name is a short PascalCase
/// word ("NoSuchObject") that on the bus becomes the error name
/// "org.photolib.Error.<name>". `reason` says what was asked and what went
/// wrong, with the object, file or step. Thrown by the library code on the
/// thread that does the work and caught where a call or a command ends: a
/// caught PeerError means the transaction is rolled back.
class PeerError : public std::exception {
public:
    /// The failures a client can tell apart; nameOf() gives each its name.
    enum class Code {
        AlreadyExists,
        BusNameTaken,
        Database,
        ExportFailed,
        FileNotFound,
        FileNotReadable,
        FolderNotWritable,
        Injected, ///< a fault a test asked the server for
        Internal,
        InvalidArgument,
        Io,
        LibraryBusy,
        LibraryInUse,
        MasterOffline,
        MetadataFailed,
        NoSuchElement,
        NoSuchFolder,
        NoSuchObject,
        NoSuchProperty,
        NotAFile,
        NotALibrary,
        NotSupported,
        ReadOnly,
        UnsupportedFile,
        WrongType,
    };

    PeerError(Code code, QString reason);

    Code code() const { return m_code; }
    QString name() const { return nameOf(m_code); }
    QString reason() const { return m_reason; }
    /// The D-Bus error name.
    QString busErrorName() const { return busErrorName(m_code); }
    const char* what() const noexcept override { return m_what.constData(); }

    static QString nameOf(Code code);
    static QString busErrorName(Code code);

private:
    Code m_code;
    QString m_reason;
    QByteArray m_what;
};
