#include "PeerError.h"

PeerError::PeerError(QString name, QString reason)
    : m_name(std::move(name)), m_reason(std::move(reason)),
      m_what((m_name + QStringLiteral(": ") + m_reason).toUtf8())
{}

QString PeerError::busErrorName() const
{
    return QStringLiteral("org.photolib.Error.") + m_name;
}
