// Sending a crash log to a real HTTP server on loopback; the body it
// receives is read by Python's email package, not by our encoder.
#include "LoopbackReportServer.h"
#include "PythonMultipart.h"
#include "TestEnvironment.h"
#include "VostCrashReportSubmission.h"
#include "VostCrashReporterKeys.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

const QByteArray kLog =
    "Process:         Tolvane [42]\nException Type:  SIGSEGV\n\x01\xff binary tail\n";

struct Answer {
    const char* name;
    int status;
    QByteArray body;
    bool success;
};

void PrintTo(const Answer& answer, std::ostream* out)
{
    *out << answer.name;
}

class CrashReportSubmission : public ::testing::TestWithParam<Answer> {
protected:
    void SetUp() override
    {
        UserDefaults::setStandard(std::make_shared<UserDefaults>(QString()));
        m_lastReport = QDateTime::fromSecsSinceEpoch(1'600'000'000, Qt::UTC);
        UserDefaults::standard().setValue(m_lastReport, VostCrashReporterKeys::lastCrashReportDate);
        m_log = TestEnvironment::makeScratchDir(QStringLiteral("logs")) +
                QStringLiteral("/Tolvane_2026-12-06-120000_host.crash");
        QFile file(m_log);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kLog);
    }

    struct Outcome {
        bool succeeded = false;
        QString error;
    };
    // Sends and runs the event loop until the submission ends.
    Outcome send(const QString& comments, const QString& email)
    {
        VostCrashReportSubmission submission(m_log, m_server.url());
        Outcome outcome;
        bool done = false;
        QObject::connect(&submission, &VostCrashReportSubmission::succeeded, [&] {
            outcome.succeeded = true;
            done = true;
        });
        QObject::connect(&submission, &VostCrashReportSubmission::failed, [&](const QString& e) {
            outcome.error = e;
            done = true;
        });
        submission.send(comments, email);
        QElapsedTimer clock;
        clock.start();
        while (!done && clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_TRUE(done) << "the submission never ended";
        return outcome;
    }
    PythonMultipart received() const
    {
        return PythonMultipart::parse(m_server.lastBody(), VostCrashReportSubmission::boundary);
    }
    void expectLogKeptAndDateUnchanged() const
    {
        EXPECT_TRUE(QFile::exists(m_log));
        EXPECT_EQ(UserDefaults::standard().dateForKey(VostCrashReporterKeys::lastCrashReportDate),
                  m_lastReport);
    }

    LoopbackReportServer m_server;
    QString m_log;
    QDateTime m_lastReport;
};

TEST_F(CrashReportSubmission, sendsTheLogWithEveryFieldAndOnOkMovesTheDateAndDeletesTheLog)
{
    const QDateTime modified = QFileInfo(m_log).lastModified();
    const Outcome outcome = send(QStringLiteral("Clicked Scan, then it vanished. Grüße"),
                                 QStringLiteral("me@example.org"));
    ASSERT_TRUE(outcome.succeeded) << qPrintable(outcome.error);

    const PythonMultipart form = received();
    ASSERT_TRUE(form.ok) << qPrintable(form.error);
    EXPECT_EQ(form.parts.value(QStringLiteral("crashLog")).filename,
              QStringLiteral("Tolvane_2026-12-06-120000_host.crash"));
    EXPECT_EQ(form.parts.value(QStringLiteral("crashLog")).content, kLog);
    EXPECT_EQ(form.parts.value(QStringLiteral("comments")).content,
              QStringLiteral("Clicked Scan, then it vanished. Grüße").toUtf8());
    EXPECT_EQ(form.parts.value(QStringLiteral("emailAddress")).content, "me@example.org");
    EXPECT_EQ(form.parts.value(QStringLiteral("systemInformationIncluded")).content, "1");
    EXPECT_FALSE(form.parts.value(QStringLiteral("machine")).content.isEmpty());
    EXPECT_GT(form.parts.value(QStringLiteral("logicalCPUs")).content.toInt(), 0);
    EXPECT_EQ(form.parts.value(QStringLiteral("applicationName")).content, "Tolvane");
    EXPECT_EQ(form.parts.value(QStringLiteral("applicationIdentifier")).content,
              "org.tolvane.Tolvane");
    EXPECT_FALSE(form.parts.value(QStringLiteral("applicationVersion")).content.isEmpty());
    EXPECT_FALSE(form.parts.value(QStringLiteral("applicationShortVersion")).content.isEmpty());
    EXPECT_FALSE(form.parts.value(QStringLiteral("date")).content.isEmpty());

    EXPECT_EQ(m_server.lastHeader("User-Agent"), "VostCrashReporter");
    EXPECT_EQ(m_server.lastHeader("Content-Type"),
              "multipart/form-data; boundary=81e29ba4f957efe5916039f587fe3ed7");
    EXPECT_EQ(m_server.lastHeader("Content-Length"),
              QByteArray::number(m_server.lastBody().size()));

    EXPECT_FALSE(QFile::exists(m_log));
    EXPECT_EQ(UserDefaults::standard().dateForKey(VostCrashReporterKeys::lastCrashReportDate),
              modified);
}

TEST_F(CrashReportSubmission, leavesOutTheMachineAndTheCommentsWhenSwitchedOffOrEmpty)
{
    UserDefaults::standard().setValue(false, VostCrashReporterKeys::includeSystemInformation);
    ASSERT_TRUE(send(QString(), QStringLiteral("me@example.org")).succeeded);
    PythonMultipart form = received();
    ASSERT_TRUE(form.ok) << qPrintable(form.error);
    EXPECT_EQ(form.parts.value(QStringLiteral("systemInformationIncluded")).content, "0");
    EXPECT_FALSE(form.parts.contains(QStringLiteral("machine")));
    EXPECT_FALSE(form.parts.contains(QStringLiteral("comments")));
    EXPECT_TRUE(form.parts.contains(QStringLiteral("emailAddress")));
}

TEST_F(CrashReportSubmission, leavesOutTheEmailAddressWhenNoneIsKnown)
{
    UserDefaults::standard().setValue(true, VostCrashReporterKeys::includeEmailAddress);
    ASSERT_TRUE(send(QStringLiteral("x"), QString()).succeeded);
    const PythonMultipart form = received();
    ASSERT_TRUE(form.ok) << qPrintable(form.error);
    EXPECT_FALSE(form.parts.contains(QStringLiteral("emailAddress")));
}

TEST_F(CrashReportSubmission, leavesOutTheEmailAddressWhenSwitchedOff)
{
    UserDefaults::standard().setValue(false, VostCrashReporterKeys::includeEmailAddress);
    ASSERT_TRUE(send(QStringLiteral("x"), QStringLiteral("me@example.org")).succeeded);
    const PythonMultipart form = received();
    ASSERT_TRUE(form.ok) << qPrintable(form.error);
    EXPECT_FALSE(form.parts.contains(QStringLiteral("emailAddress")));
}

TEST_P(CrashReportSubmission, succeedsOnExactlyOkAndANewlineWhateverTheStatus)
{
    m_server.answer(GetParam().status, GetParam().body);
    const Outcome outcome = send(QStringLiteral("c"), QString());
    EXPECT_EQ(outcome.succeeded, GetParam().success);
    if (GetParam().success) {
        EXPECT_FALSE(QFile::exists(m_log));
        return;
    }
    EXPECT_EQ(outcome.error, QStringLiteral("Unrecognized response from the server"));
    expectLogKeptAndDateUnchanged();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CrashReportSubmission,
    ::testing::Values(Answer{"ok", 200, "ok\n", true}, Answer{"okWithStatus500", 500, "ok\n", true},
                      Answer{"upperCase", 200, "OK\n", false},
                      Answer{"noLineFeed", 200, "ok", false}, Answer{"empty", 200, "", false},
                      Answer{"twoLines", 200, "ok\nok\n", false}),
    [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.name); });

TEST_F(CrashReportSubmission, aSlowServerIsWaitedFor)
{
    m_server.answer(200, "ok\n", 1500);
    EXPECT_TRUE(send(QString(), QString()).succeeded);
}

TEST_F(CrashReportSubmission, aBrokenConnectionIsAFailure)
{
    m_server.reset();
    const Outcome outcome = send(QString(), QString());
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_FALSE(outcome.error.isEmpty());
    EXPECT_GE(m_server.requestCount(), 1);
    expectLogKeptAndDateUnchanged();
}

TEST_F(CrashReportSubmission, aLogThatVanishedIsAFailureAndNothingIsSent)
{
    QFile::remove(m_log);
    const Outcome outcome = send(QString(), QString());
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("The crash log could not be read.")));
    EXPECT_EQ(m_server.requestCount(), 0);
}

TEST_F(CrashReportSubmission, discardMovesTheLogToTheTrashAndLogsAMissingOne)
{
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          QStringLiteral("/Trash/files/") + QFileInfo(m_log).fileName();
    ASSERT_TRUE(VostCrashReportSubmission::discard(m_log));
    EXPECT_FALSE(QFile::exists(m_log));
    EXPECT_TRUE(QFile::exists(trash)) << qPrintable(trash);

    SystemLog::Capture capture;
    EXPECT_FALSE(VostCrashReportSubmission::discard(m_log));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("VostCrashReporter: Unable to create FSRef for file %1").arg(m_log)));
}

} // namespace
