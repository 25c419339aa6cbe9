#include "PowerAssertion.h"

#include "core/Bundle.h"

#include <QAtomicInt>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace {
const char* const kDefaultSystemBus = "unix:path=/run/dbus/system_bus_socket";

QString systemBusAddress()
{
    const QByteArray address = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    return QString::fromUtf8(address.isEmpty() ? QByteArray(kDefaultSystemBus) : address);
}

// One connection per request, under a unique name, so threads never share it
// and a bus that went away is noticed afresh each time.
class SystemBus {
public:
    SystemBus()
        : m_name(QStringLiteral("tolvane-power-%1").arg(s_serial.fetchAndAddRelaxed(1))),
          m_connection(QDBusConnection::connectToBus(systemBusAddress(), m_name))
    {}
    ~SystemBus() { QDBusConnection::disconnectFromBus(m_name); }
    QDBusConnection& connection() { return m_connection; }

private:
    static QAtomicInt s_serial;
    QString m_name;
    QDBusConnection m_connection;
};
QAtomicInt SystemBus::s_serial;
} // namespace

const QString& PowerAssertion::noIdleSleepType()
{
    static const QString type = QStringLiteral("NoIdleSleepAssertion");
    return type;
}

int32_t PowerAssertion::createWithName(const QString& type, int level, const QString& name,
                                       uint32_t* id)
{
    if (type != noIdleSleepType() || level != LevelOn || !id)
        return Unsupported;
    SystemBus bus;
    if (!bus.connection().isConnected())
        return NotAvailable;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << Bundle::main().bundleName() << name
         << QStringLiteral("block");
    const QDBusMessage reply = bus.connection().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                       reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                       reply.errorName() ==
                           QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")
                   ? NotAvailable
                   : Refused;
    if (reply.arguments().size() != 1 ||
        !reply.arguments().constFirst().canConvert<QDBusUnixFileDescriptor>())
        return Refused;
    const auto descriptor = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    if (!descriptor.isValid())
        return Refused;
    // The reply's descriptor closes with it: keep a duplicate of our own.
    const int held = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 3);
    if (held < 0)
        return Refused;
    *id = static_cast<uint32_t>(held);
    return Success;
}

int32_t PowerAssertion::release(uint32_t id)
{
    return ::close(static_cast<int>(id)) == 0 ? Success : Unsupported;
}
