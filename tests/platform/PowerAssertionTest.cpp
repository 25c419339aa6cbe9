#include "power/PowerAssertion.h"

#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const QString kName = QStringLiteral("Tolvane conversion in progress");

// Asks the stand-in, over a connection of the test's own.
QVariant askStandIn(const QString& method)
{
    QDBusConnection bus = QDBusConnection::connectToBus(
        QString::fromUtf8(qgetenv("DBUS_SYSTEM_BUS_ADDRESS")), QStringLiteral("probe"));
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                "org.freedesktop.login1.Manager", method));
    QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
    return reply.arguments().value(0);
}

TEST(PowerAssertion, isHeldUntilReleasedWhenLogindAnswers)
{
    PrivateBus bus(PrivateBus::Role::System);
    ASSERT_TRUE(bus.isUp());
    QProcess standIn;
    standIn.start(QStringLiteral(TOLVANE_BINARY_DIR "/tests/support/logind-standin"));
    ASSERT_TRUE(standIn.waitForReadyRead(10000));

    uint32_t id = 0;
    ASSERT_EQ(PowerAssertion::createWithName(PowerAssertion::noIdleSleepType(),
                                             PowerAssertion::LevelOn, kName, &id),
              0);
    EXPECT_EQ(askStandIn("ActiveInhibitors").toInt(), 1);
    EXPECT_EQ(askStandIn("LastInhibit").toStringList(),
              (QStringList{"idle", "Tolvane", kName, "block"}));

    EXPECT_EQ(PowerAssertion::release(id), 0);
    EXPECT_EQ(askStandIn("ActiveInhibitors").toInt(), 0);
    standIn.terminate();
    standIn.waitForFinished(5000);
}

TEST(PowerAssertion, failsWithANonZeroCodeWithoutLogind)
{
    PrivateBus bus(PrivateBus::Role::System); // a bus, but nobody answers on it
    ASSERT_TRUE(bus.isUp());
    uint32_t id = 77;
    EXPECT_NE(PowerAssertion::createWithName(PowerAssertion::noIdleSleepType(),
                                             PowerAssertion::LevelOn, kName, &id),
              0);
    EXPECT_EQ(id, 77u);
}

TEST(PowerAssertion, failsWithANonZeroCodeWithoutASystemBus)
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    uint32_t id = 0;
    EXPECT_NE(PowerAssertion::createWithName(PowerAssertion::noIdleSleepType(),
                                             PowerAssertion::LevelOn, kName, &id),
              0);
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace
