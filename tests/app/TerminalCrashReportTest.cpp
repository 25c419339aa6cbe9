// tolvane-cli after a crash: it names the new log at start, and its three
// crash report flags send (to a real server on loopback), keep or trash it
// by the window's rules; a malformed address ends it with the error.
#include "LoopbackReportServer.h"
#include "TestEnvironment.h"
#include "VostCrashReporterKeys.h"
#include "core/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

class TerminalCrashReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_state = TestEnvironment::makeScratchDir(QStringLiteral("state"));
        m_config = TestEnvironment::makeScratchDir(QStringLiteral("config"));
        const QString folder = m_state + QStringLiteral("/Logs/DiagnosticReports");
        QDir().mkpath(folder);
        m_log = folder + QStringLiteral("/Tolvane_2026-12-06-101010_host.crash");
        QFile file(m_log);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Exception Type:  SIGSEGV\n");
        file.close();
        store(m_server.url().toString());
    }
    // The store the child reads: an address and a last report date before the log.
    void store(const QString& address)
    {
        UserDefaults defaults(m_config + QStringLiteral("/org.tolvane.Tolvane.plist"));
        defaults.setValue(address, VostCrashReporterKeys::submissionURL);
        defaults.setValue(QDateTime::currentDateTimeUtc().addDays(-1),
                          VostCrashReporterKeys::lastCrashReportDate);
    }
    Result run(const QStringList& arguments)
    {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_state);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(TOLVANE_TEST_BUNDLE_DIR "/Contents/MacOS/tolvane-cli"), arguments);
        EXPECT_TRUE(cli.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        // The server answers from this event loop while the child waits.
        while (cli.state() != QProcess::NotRunning && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        cli.waitForFinished(1000);
        return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()),
                QString::fromUtf8(cli.readAllStandardError())};
    }

    LoopbackReportServer m_server;
    QString m_state;
    QString m_config;
    QString m_log;
};

TEST_F(TerminalCrashReport, namesTheNewLogAtStartAndIgnoreKeepsItForNextTime)
{
    const Result plain = run({});
    EXPECT_TRUE(plain.err.contains(
        QStringLiteral("new crash log %1: send it with --send-crash-report").arg(m_log)))
        << qPrintable(plain.err);

    const Result ignored = run({QStringLiteral("--ignore-crash-report")});
    EXPECT_EQ(ignored.exitCode, 0);
    EXPECT_TRUE(QFile::exists(m_log));
    EXPECT_EQ(m_server.requestCount(), 0);
    EXPECT_TRUE(run({}).err.contains(m_log)) << "offered again";
}

TEST_F(TerminalCrashReport, sendPostsTheLogAndDeletesItAfterOk)
{
    const Result sent = run({QStringLiteral("--send-crash-report")});
    EXPECT_EQ(sent.exitCode, 0) << qPrintable(sent.err);
    EXPECT_EQ(m_server.requestCount(), 1);
    EXPECT_TRUE(m_server.lastBody().contains("Exception Type:  SIGSEGV"));
    EXPECT_FALSE(QFile::exists(m_log));

    const Result again = run({QStringLiteral("--send-crash-report")});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.out.contains(QStringLiteral("no new crash log")));
    EXPECT_EQ(m_server.requestCount(), 1);
}

TEST_F(TerminalCrashReport, aRefusedReportOrAMalformedAddressEndsNonZeroAndKeepsTheLog)
{
    m_server.answer(200, "ok");
    const Result refused = run({QStringLiteral("--send-crash-report")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Unrecognized response from the server")));
    EXPECT_TRUE(QFile::exists(m_log));

    store(QStringLiteral("no address"));
    const Result malformed = run({QStringLiteral("--discard-crash-report")});
    EXPECT_EQ(malformed.exitCode, 1);
    EXPECT_TRUE(
        malformed.err.contains(QStringLiteral("Invalid VostCrashReporterCrashSubmissionURL")));
    EXPECT_TRUE(QFile::exists(m_log));

    store(m_server.url().toString());
    EXPECT_EQ(run({QStringLiteral("--discard-crash-report")}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(m_log));
}

} // namespace
