// A real crash: a child installs the crash log writer as the executables
// do and dies on purpose; the log it leaves is read back and offered at the
// next launch. The sanitizers' own fatal-signal handlers are turned off in
// the child so that ours runs under the sanitizer build too.
#include "TestEnvironment.h"
#include "VostCrashReporter.h"
#include "VostCrashReporterKeys.h"
#include "core/SearchPaths.h"
#include "core/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char* kSanitizerOptions =
    "handle_segv=0:handle_abort=0:handle_sigbus=0:handle_sigill=0:handle_sigfpe=0:"
    "allow_user_segv_handler=1:detect_leaks=0";

struct Death {
    int signal = 0;
    int exitCode = -1;
    QString log; // the one log file written, empty when none or several
};

class CrashLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_state = TestEnvironment::makeScratchDir(QStringLiteral("state"));
        qputenv("XDG_STATE_HOME", m_state.toUtf8());
        SearchPaths::setLocalDomainRootForTesting(
            TestEnvironment::makeScratchDir(QStringLiteral("machine")));
        UserDefaults::setStandard(std::make_shared<UserDefaults>(QString()));
    }
    void TearDown() override
    {
        qunsetenv("XDG_STATE_HOME");
        SearchPaths::setLocalDomainRootForTesting(QString());
    }

    QString folder() const { return m_state + QStringLiteral("/Logs/DiagnosticReports"); }

    Death crash(const QStringList& arguments)
    {
        QList<QByteArray> args{QByteArray(TOLVANE_CRASH_ON_PURPOSE),
                               QByteArray(TOLVANE_TEST_BUNDLE_DIR)};
        for (const QString& a : arguments)
            args.append(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("ASAN_OPTIONS", kSanitizerOptions, 1);
            ::setenv("UBSAN_OPTIONS", "halt_on_error=1", 1);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        Death death;
        death.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        death.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const QStringList logs = QDir(folder()).entryList(QDir::Files);
        if (logs.size() == 1)
            death.log = folder() + QLatin1Char('/') + logs.first();
        return death;
    }

    static QString read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString m_state;
};

TEST_F(CrashLog, aSegmentationFaultLeavesOneLogWithEveryFieldAndTheNextLaunchOffersIt)
{
    UserDefaults::standard().setValue(QDateTime::currentDateTimeUtc().addSecs(-5),
                                      VostCrashReporterKeys::lastCrashReportDate);
    const Death death = crash({QStringLiteral("segv")});

    EXPECT_EQ(death.signal, SIGSEGV) << "the default action ran after our handler";
    ASSERT_FALSE(death.log.isEmpty()) << "exactly one log in " << qPrintable(folder());
    const QString host = QHostInfo::localHostName().section(QLatin1Char('.'), 0, 0);
    const QRegularExpression name(QStringLiteral("^Tolvane_\\d{4}-\\d{2}-\\d{2}-\\d{6}_%1\\.crash$")
                                      .arg(QRegularExpression::escape(host)));
    EXPECT_TRUE(name.match(QFileInfo(death.log).fileName()).hasMatch())
        << qPrintable(QFileInfo(death.log).fileName());

    const QString text = read(death.log);
    EXPECT_TRUE(
        text.contains(QRegularExpression(QStringLiteral("Process: +crash-on-purpose \\[\\d+\\]"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Path: +/.*/crash-on-purpose\n"))));
    EXPECT_TRUE(text.contains(QStringLiteral("Identifier:      org.tolvane.Tolvane\n")));
    EXPECT_TRUE(text.contains(
        QRegularExpression(QStringLiteral("Version: +\\d+\\.\\d+ \\(\\d+\\.\\d+\\.\\d+\\)"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral(
        "Date/Time: +\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} [+-]\\d{4}"))));
    EXPECT_TRUE(text.contains(QStringLiteral("OS Version:      Linux ")));
    EXPECT_TRUE(text.contains(
        QRegularExpression(QStringLiteral("Crashed Thread: +\\d+ \\(crash-on-purpos\\)"))));
    EXPECT_TRUE(text.contains(QStringLiteral("Exception Type:  SIGSEGV\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("SEGV_MAPERR (1) at 0x0000000000000010")));
    const QString backtrace = text.section(QStringLiteral("Backtrace:\n"), 1)
                                  .section(QStringLiteral("Memory Map:"), 0, 0);
    EXPECT_TRUE(backtrace.contains(QStringLiteral("crashOnPurpose"))) << qPrintable(backtrace);
    const QString map = text.section(QStringLiteral("Memory Map:\n"), 1);
    EXPECT_TRUE(map.contains(QRegularExpression(QStringLiteral("r-xp .*/crash-on-purpose\n"))));

    const auto offer = VostCrashReporter::findNewCrashLog();
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(offer->crashLogPath, death.log);
}

TEST_F(CrashLog, anUncaughtExceptionIsLoggedWithItsTypeAndTextAndEndsInAbort)
{
    const Death death = crash({QStringLiteral("throw")});

    EXPECT_EQ(death.signal, SIGABRT);
    ASSERT_FALSE(death.log.isEmpty()) << "one log, not a second one for the abort";
    const QString text = read(death.log);
    EXPECT_TRUE(text.contains(QStringLiteral("Exception Type:  SIGABRT\n")));
    EXPECT_TRUE(text.contains(QStringLiteral(
        "Termination Reason: uncaught exception of type std::runtime_error: thrown on purpose\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Backtrace:\n")));
}

TEST_F(CrashLog, aCrashWhileTheSettingsAreSavedLeavesThemReadable)
{
    const QString store = TestEnvironment::makeScratchDir(QStringLiteral("store")) +
                          QStringLiteral("/org.tolvane.Tolvane.plist");
    const Death death = crash({QStringLiteral("defaults"), store});

    EXPECT_EQ(death.signal, SIGSEGV);
    EXPECT_FALSE(death.log.isEmpty());
    const UserDefaults reread(store);
    EXPECT_TRUE(reread.keptAsidePath().isEmpty()) << "the file did not parse";
    EXPECT_GE(reread.integerForKey(QStringLiteral("Counter")), 1);
    EXPECT_EQ(reread.stringForKey(QStringLiteral("Payload")).size(), 4096);
}

TEST_F(CrashLog, aFolderThatIsAFileStopsTheWriterFromInstalling)
{
    QDir().mkpath(m_state + QStringLiteral("/Logs"));
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Death death = crash({QStringLiteral("segv")});
    EXPECT_EQ(death.signal, 0);
    EXPECT_EQ(death.exitCode, 3) << "installing reports that it could not";
}

} // namespace
