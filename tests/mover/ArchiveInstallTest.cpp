// What a user does with the download: unpack the archive into the Downloads
// folder, start Tolvane from there, agree to the move. Runs the real window
// executable from a freshly packed archive on a private X server.

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

const QString kArchive = QStringLiteral("Tolvane-%1-Linux-%2.tar.gz");

bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

// The processes whose executable is exactly the given file.
QList<qint64> processesRunning(const QString& executable)
{
    QList<qint64> found;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && QFile::symLinkTarget("/proc/" + entry + "/exe") == executable)
            found.append(pid);
    }
    return found;
}

QString run(const QString& program, const QStringList& arguments, int* status)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    *status = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}

// A private X server on the first free display number.
class XServer {
public:
    XServer()
    {
        for (int number = 90; number < 200; ++number) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            m_display = QStringLiteral(":%1").arg(number);
            m_server.start("Xvfb", {m_display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            if (m_server.waitForStarted() &&
                waitFor([&] { return QFileInfo::exists(socket); }, 10000))
                return;
            m_server.kill();
            m_server.waitForFinished();
        }
        m_display.clear();
    }
    ~XServer()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

class ArchiveInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool", "tar"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed (tools/setup.sh installs it)";
        }
        m_scratch = TestEnvironment::makeScratchDir("archive");
        m_home = m_scratch + "/home";
        for (const char* folder : {"Downloads", "Applications/Other.app", ".config", ".local/share",
                                   ".local/state", ".cache", "runtime", "tmp"})
            ASSERT_TRUE(QDir().mkpath(m_home + "/" + folder));
        QFile::setPermissions(m_home + "/runtime",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The user's session: their home, a display, no desktop bus.
    QProcessEnvironment session(const QString& display) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_home);
        environment.insert("XDG_CONFIG_HOME", m_home + "/.config");
        environment.insert("XDG_DATA_HOME", m_home + "/.local/share");
        environment.insert("XDG_STATE_HOME", m_home + "/.local/state");
        environment.insert("XDG_CACHE_HOME", m_home + "/.cache");
        environment.insert("XDG_RUNTIME_DIR", m_home + "/runtime");
        environment.insert("TMPDIR", m_home + "/tmp");
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("DBUS_SESSION_BUS_ADDRESS");
        return environment;
    }

    QString m_scratch;
    QString m_home;
};

TEST_F(ArchiveInstall, theUnpackedDownloadMovesItselfIntoHomeApplicationsAndRestartsThere)
{
    int status = 0;
    const QString packages = m_scratch + "/packages";
    const QString packed =
        run(TOLVANE_CPACK_COMMAND,
            {"--config", TOLVANE_BINARY_DIR "/CPackConfig.cmake", "-B", packages}, &status);
    ASSERT_EQ(status, 0) << qPrintable(packed);
    const QStringList archives = QDir(packages).entryList({"Tolvane-*-Linux-*.tar.gz"});
    ASSERT_EQ(archives.size(), 1) << qPrintable(packed);
    EXPECT_EQ(archives[0],
              kArchive.arg(QStringLiteral(TOLVANE_VERSION), QStringLiteral(TOLVANE_PROCESSOR)));
    const QString downloads = m_home + "/Downloads";
    const QString unpacked =
        run("tar", {"-xzf", QString(packages + "/" + archives[0]), "-C", downloads}, &status);
    ASSERT_EQ(status, 0) << qPrintable(unpacked);
    const QString original =
        downloads + "/" + QString(archives[0]).remove(".tar.gz") + "/Tolvane.app";
    ASSERT_TRUE(QFileInfo(original + "/Contents/MacOS/Tolvane").isExecutable());

    const XServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "no X server could be started";
    QProcess tolvane;
    tolvane.setProcessEnvironment(session(server.display()));
    tolvane.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tolvane.start(original + "/Contents/MacOS/Tolvane", {});
    ASSERT_TRUE(tolvane.waitForStarted());

    // The question is the only window up: give it the keyboard and agree
    // with the default button, through the X server's test extension.
    const QProcessEnvironment environment = session(server.display());
    const auto xdotool = [&](const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start("timeout", QStringList{"60", "xdotool"} + arguments);
        process.waitForFinished(70000);
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    };
    ASSERT_TRUE(xdotool(
        {"search", "--sync", "--onlyvisible", "--name", "^Tolvane$", "windowfocus", "--sync"}))
        << "the question did not come up";
    EXPECT_TRUE(xdotool({"key", "Return"}));

    ASSERT_TRUE(tolvane.waitForFinished(30000)) << "the downloaded copy kept running";
    EXPECT_EQ(tolvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tolvane.exitCode(), 0);

    const QString moved = m_home + "/Applications/Tolvane.app/Contents/MacOS/Tolvane";
    QList<qint64> running;
    EXPECT_TRUE(waitFor([&] { return !(running = processesRunning(moved)).isEmpty(); }, 20000))
        << "the moved copy did not start";
    for (const qint64 pid : running)
        ::kill(pid_t(pid), SIGKILL);
    EXPECT_TRUE(QFileInfo(moved).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(original));
    QFile entry(m_home + "/.local/share/applications/org.tolvane.Tolvane.desktop");
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        entry.readAll().contains(QByteArray("\nExec=\"" + QFile::encodeName(moved) + "\"")));
}

} // namespace
