#include "PeerError.h"

PeerError::PeerError(Code code, QString reason)
    : m_code(code), m_reason(std::move(reason)),
      m_what((nameOf(m_code) + QStringLiteral(": ") + m_reason).toUtf8())
{}

QString PeerError::nameOf(Code code)
{
    switch (code) {
    case Code::AlreadyExists:
        return QStringLiteral("AlreadyExists");
    case Code::BusNameTaken:
        return QStringLiteral("BusNameTaken");
    case Code::Database:
        return QStringLiteral("Database");
    case Code::ExportFailed:
        return QStringLiteral("ExportFailed");
    case Code::FileNotFound:
        return QStringLiteral("FileNotFound");
    case Code::FileNotReadable:
        return QStringLiteral("FileNotReadable");
    case Code::FolderNotWritable:
        return QStringLiteral("FolderNotWritable");
    case Code::Injected:
        return QStringLiteral("Injected");
    case Code::Internal:
        return QStringLiteral("Internal");
    case Code::InvalidArgument:
        return QStringLiteral("InvalidArgument");
    case Code::Io:
        return QStringLiteral("Io");
    case Code::LibraryBusy:
        return QStringLiteral("LibraryBusy");
    case Code::LibraryInUse:
        return QStringLiteral("LibraryInUse");
    case Code::MasterOffline:
        return QStringLiteral("MasterOffline");
    case Code::MetadataFailed:
        return QStringLiteral("MetadataFailed");
    case Code::NoSuchElement:
        return QStringLiteral("NoSuchElement");
    case Code::NoSuchFolder:
        return QStringLiteral("NoSuchFolder");
    case Code::NoSuchObject:
        return QStringLiteral("NoSuchObject");
    case Code::NoSuchProperty:
        return QStringLiteral("NoSuchProperty");
    case Code::NotAFile:
        return QStringLiteral("NotAFile");
    case Code::NotALibrary:
        return QStringLiteral("NotALibrary");
    case Code::NotSupported:
        return QStringLiteral("NotSupported");
    case Code::ReadOnly:
        return QStringLiteral("ReadOnly");
    case Code::UnsupportedFile:
        return QStringLiteral("UnsupportedFile");
    case Code::WrongType:
        return QStringLiteral("WrongType");
    }
    Q_UNREACHABLE();
}

QString PeerError::busErrorName(Code code)
{
    return QStringLiteral("org.photolib.Error.") + nameOf(code);
}
