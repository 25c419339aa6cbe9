#include "scripting/ScriptingApplication.h"

#include "scripting/ScriptingError.h"
#include "scripting/ScriptingInterface.h"

#include "PeerSession.h"
#include "TestEnvironment.h"
#include "QtPrinters.h"
#include "ScriptingErrorOf.h"

#include <QDBusObjectPath>
#include <QDateTime>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <climits>

namespace {

const QString kApplication = QStringLiteral("/application");

std::shared_ptr<const ScriptingInterface> declaration()
{
    QFile file(QStringLiteral(TOLVANE_SOURCE_DIR "/resources/scripting.xml"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    auto interface =
        ScriptingInterface::parse(file.readAll(), QStringLiteral("org.photolib.Scripting"));
    EXPECT_TRUE(interface.has_value());
    return std::make_shared<const ScriptingInterface>(interface.value_or(ScriptingInterface()));
}

/// A fresh connection to the application on the current bus.
std::unique_ptr<ScriptingApplication> connect()
{
    return std::make_unique<ScriptingApplication>(QStringLiteral("com.apple.aperture"),
                                                  declaration());
}

QString firstSelected(const ScriptingApplication& application)
{
    return application.call(kApplication, QStringLiteral("Elements"), {QStringLiteral("selection")})
        .value(0)
        .toList()
        .value(0)
        .value<QDBusObjectPath>()
        .path();
}

quint64 callCount(const ScriptingApplication& application)
{
    return application.call(kApplication, QStringLiteral("CallCount")).value(0).toULongLong();
}

// The library on a private bus of its own, started by the tests that call
// it; the others start what they need themselves.
class TheScriptingApplication : public ::testing::Test {
protected:
    void startPeer(const QStringList& serveOptions = {})
    {
        m_session = std::make_unique<PeerSession>();
        ASSERT_TRUE(m_session->start(PeerSession::smallSample(), serveOptions))
            << qPrintable(m_session->problem());
        m_application = connect();
    }

    std::unique_ptr<PeerSession> m_session;
    std::unique_ptr<ScriptingApplication> m_application;
};

TEST_F(TheScriptingApplication, isRunningOnlyWhileTheNameHasAnOwnerAndStartsNothing)
{
    PeerSession session;
    const QString library = TestEnvironment::makeScratchDir(QStringLiteral("running")) +
                            QStringLiteral("/Empty.aplibrary");
    ASSERT_EQ(PeerProcess::run({QStringLiteral("create"), library}).size(), 0);
    auto application = connect();
    EXPECT_FALSE(application->isRunning());
    const ScriptingError error =
        scriptingErrorOf([&] { application->call(kApplication, QStringLiteral("CallCount")); });
    EXPECT_EQ(error.name(), QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"));
    EXPECT_FALSE(application->isRunning());

    ASSERT_TRUE(session.serve(library)) << qPrintable(session.problem());
    EXPECT_TRUE(application->isRunning());
    session.peer().stop();
    EXPECT_FALSE(application->isRunning());
}

TEST_F(TheScriptingApplication, failsWithDisconnectedWithoutABus)
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", TestEnvironment::makeScratchDir(QStringLiteral("no-bus")).toUtf8());
    auto application = connect();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_FALSE(application->isRunning());
    const ScriptingError error =
        scriptingErrorOf([&] { application->call(kApplication, QStringLiteral("CallCount")); });
    EXPECT_EQ(error.name(), QStringLiteral("org.freedesktop.DBus.Error.Disconnected"));
    EXPECT_TRUE(error.reason().contains(QLatin1String("DBUS_SESSION_BUS_ADDRESS")));
}

TEST_F(TheScriptingApplication, anErrorReplyRaisesItsNameAndReason)
{
    startPeer();
    const ScriptingError error = scriptingErrorOf([&] {
        m_application->call(QStringLiteral("/version/NoSuchVersion"), QStringLiteral("GetText"),
                            {QStringLiteral("name")});
    });
    EXPECT_EQ(error.name(), QStringLiteral("org.photolib.Error.NoSuchObject"));
    EXPECT_TRUE(error.reason().contains(QLatin1String("NoSuchVersion")));
    // The application goes on answering.
    EXPECT_FALSE(firstSelected(*m_application).isEmpty());
}

TEST_F(TheScriptingApplication, undeclaredMethodsAndWrongArgumentsFailBeforeSending)
{
    startPeer();
    const quint64 before = callCount(*m_application);
    EXPECT_EQ(scriptingErrorOf([&] {
                  m_application->call(kApplication, QStringLiteral("Launch"));
              }).name(),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    EXPECT_EQ(scriptingErrorOf([&] {
                  m_application->call(kApplication, QStringLiteral("GetText"), {42});
              }).name(),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(scriptingErrorOf([&] {
                  m_application->call(QStringLiteral("not a path"), QStringLiteral("GetText"),
                                      {QStringLiteral("name")});
              }).name(),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(callCount(*m_application), before);
}

TEST_F(TheScriptingApplication, aSlowReplyTimesOutUnlessThereIsNoTimeout)
{
    startPeer({QStringLiteral("--call-delay-ms"), QStringLiteral("1500")});
    m_application->setTimeout(1);
    const ScriptingError error = scriptingErrorOf([&] {
        m_application->call(kApplication, QStringLiteral("GetText"), {QStringLiteral("version")});
    });
    EXPECT_EQ(error.name(), QStringLiteral("org.freedesktop.DBus.Error.NoReply"));
    m_application->setTimeout(ScriptingApplication::NoTimeout);
    EXPECT_EQ(
        m_application->call(kApplication, QStringLiteral("GetText"), {QStringLiteral("version")}),
        QVariantList{QStringLiteral("3.6")});
}

TEST_F(TheScriptingApplication, anApplicationThatEndsDuringTheCallRaises)
{
    startPeer({QStringLiteral("--exit-after-calls"), QStringLiteral("1")});
    EXPECT_FALSE(firstSelected(*m_application).isEmpty());
    const ScriptingError error = scriptingErrorOf([&] {
        m_application->call(kApplication, QStringLiteral("GetText"), {QStringLiteral("version")});
    });
    EXPECT_EQ(error.name(), QStringLiteral("org.freedesktop.DBus.Error.NoReply"));
    EXPECT_EQ(m_session->peer().waitForExit(), 0);
    EXPECT_FALSE(m_application->isRunning());
}

TEST_F(TheScriptingApplication, aReplyOfTheWrongShapeRaises)
{
    startPeer({QStringLiteral("--wrong-shape"), QStringLiteral("GetText,Elements")});
    for (const QString& method : {QStringLiteral("GetText"), QStringLiteral("Elements")}) {
        const ScriptingError error = scriptingErrorOf(
            [&] { m_application->call(kApplication, method, {QStringLiteral("version")}); });
        EXPECT_EQ(error.name(), QStringLiteral("org.freedesktop.DBus.Error.InvalidSignature"));
        EXPECT_TRUE(error.reason().contains(method));
    }
    // Methods not named keep their shape.
    EXPECT_EQ(
        m_application->call(kApplication, QStringLiteral("GetValue"), {QStringLiteral("version")}),
        QVariantList{QStringLiteral("3.6")});
}

} // namespace
