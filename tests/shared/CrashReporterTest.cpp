// Finding crash logs at launch: which folder, which files, which one is new,
// and how the stored date moves as logs are sent, ignored or discarded.
#include "TestEnvironment.h"
#include "VostCrashReportSubmission.h"
#include "VostCrashReporter.h"
#include "VostCrashReporterKeys.h"
#include "core/Bundle.h"
#include "core/SearchPaths.h"
#include "core/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <utime.h>

namespace {

class CrashReporter : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_state = TestEnvironment::makeScratchDir(QStringLiteral("state"));
        m_machine = TestEnvironment::makeScratchDir(QStringLiteral("machine"));
        qputenv("XDG_STATE_HOME", m_state.toUtf8());
        SearchPaths::setLocalDomainRootForTesting(m_machine);
        UserDefaults::setStandard(std::make_shared<UserDefaults>(QString()));
        VostCrashReporter::setPresenter([this](const VostCrashReporter::Offer& offer) {
            m_offered.append(offer.crashLogPath);
        });
    }
    void TearDown() override
    {
        VostCrashReporter::setPresenter(nullptr);
        qunsetenv("XDG_STATE_HOME");
        SearchPaths::setLocalDomainRootForTesting(QString());
    }

    QString userFolder() const { return m_state + QStringLiteral("/Logs/DiagnosticReports"); }
    QString machineFolder() const
    {
        return m_machine + QStringLiteral("/usr/local/share/Logs/DiagnosticReports");
    }

    // A log file modified at `modified` (whole seconds).
    static QString writeLog(const QString& path, const QDateTime& modified)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Process: Tolvane\n");
        file.close();
        const utimbuf times{static_cast<time_t>(modified.toSecsSinceEpoch()),
                            static_cast<time_t>(modified.toSecsSinceEpoch())};
        ::utime(QFile::encodeName(path).constData(), &times);
        return path;
    }
    static void setLastReport(const QDateTime& date)
    {
        UserDefaults::standard().setValue(date, VostCrashReporterKeys::lastCrashReportDate);
    }
    static QDateTime lastReport()
    {
        return UserDefaults::standard().dateForKey(VostCrashReporterKeys::lastCrashReportDate);
    }

    const QDateTime m_base = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    QString m_state;
    QString m_machine;
    QStringList m_offered;
};

TEST_F(CrashReporter, searchesTheUserFolderAloneWhenItExistsElseTheMachineFolder)
{
    QDir().mkpath(machineFolder());
    EXPECT_EQ(VostCrashReporter::crashLogDirectories(), QStringList{machineFolder()});

    QDir().mkpath(QFileInfo(userFolder()).path());
    QFile blocker(userFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(VostCrashReporter::crashLogDirectories(), QStringList{machineFolder()})
        << "a file in the folder's place is passed over";

    QFile::remove(userFolder());
    QDir().mkpath(userFolder());
    writeLog(machineFolder() + QStringLiteral("/Tolvane_machine.crash"), m_base);
    EXPECT_EQ(VostCrashReporter::crashLogDirectories(), QStringList{userFolder()});
    EXPECT_TRUE(VostCrashReporter::crashLogPaths().isEmpty())
        << "the machine's folder is never searched once the user's exists";

    QDir(userFolder()).removeRecursively();
    QDir(machineFolder()).removeRecursively();
    EXPECT_TRUE(VostCrashReporter::crashLogDirectories().isEmpty());
}

TEST_F(CrashReporter, keepsEveryEntryWhosePathBeginsWithTheNameInWalkOrder)
{
    const QString folder = userFolder();
    writeLog(folder + QStringLiteral("/Tolvane_b.crash"), m_base);
    writeLog(folder + QStringLiteral("/Tolvane_a.crash"), m_base);
    writeLog(folder + QStringLiteral("/TolvaneHelper_c.crash"), m_base);
    writeLog(folder + QStringLiteral("/tolvane_lower.crash"), m_base);
    writeLog(folder + QStringLiteral("/Other_Tolvane.crash"), m_base);
    writeLog(folder + QStringLiteral("/Tolvane Logs/inner.crash"), m_base);
    writeLog(folder + QStringLiteral("/Retired/Tolvane_old.crash"), m_base);

    EXPECT_EQ(VostCrashReporter::crashLogPaths(),
              (QStringList{folder + QStringLiteral("/Tolvane Logs"),
                           folder + QStringLiteral("/Tolvane Logs/inner.crash"),
                           folder + QStringLiteral("/TolvaneHelper_c.crash"),
                           folder + QStringLiteral("/Tolvane_a.crash"),
                           folder + QStringLiteral("/Tolvane_b.crash")}))
        << "case-sensitive prefix of the path below the folder, names sorted, depth first";

    setLastReport(m_base.addSecs(-1));
    VostCrashReporter::checkForNewCrashes();
    EXPECT_EQ(m_offered, QStringList{folder + QStringLiteral("/Tolvane Logs/inner.crash")})
        << "a folder is walked, never offered";
}

TEST_F(CrashReporter, theFirstLaunchOffersNothingAndStoresItsMoment)
{
    writeLog(userFolder() + QStringLiteral("/Tolvane_old.crash"),
             QDateTime::currentDateTimeUtc().addDays(-1));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    VostCrashReporter::checkForNewCrashes();
    EXPECT_TRUE(m_offered.isEmpty());
    EXPECT_GE(lastReport(), before);
    EXPECT_LE(lastReport(), QDateTime::currentDateTimeUtc().addSecs(1));
}

TEST_F(CrashReporter, offersOnlyALogModifiedStrictlyAfterTheStoredDate)
{
    setLastReport(m_base);
    const QString log = writeLog(userFolder() + QStringLiteral("/Tolvane_x.crash"), m_base);
    VostCrashReporter::checkForNewCrashes();
    EXPECT_TRUE(m_offered.isEmpty()) << "modified at exactly the stored date";

    writeLog(log, m_base.addSecs(1));
    VostCrashReporter::checkForNewCrashes();
    EXPECT_EQ(m_offered, QStringList{log});
}

TEST_F(CrashReporter, ofTwoNewLogsOffersTheFirstAndTheOtherAsThatOneIsIgnoredSentOrDiscarded)
{
    setLastReport(m_base);
    const QString first =
        writeLog(userFolder() + QStringLiteral("/Tolvane_1.crash"), m_base.addSecs(20));
    const QString second =
        writeLog(userFolder() + QStringLiteral("/Tolvane_2.crash"), m_base.addSecs(10));

    VostCrashReporter::checkForNewCrashes();
    VostCrashReporter::checkForNewCrashes(); // ignored: the same again
    EXPECT_EQ(m_offered, (QStringList{first, first})) << "one window per launch, walk order";

    // Sent: the date becomes the first's, later than the second's.
    setLastReport(m_base.addSecs(20));
    QFile::remove(first);
    m_offered.clear();
    VostCrashReporter::checkForNewCrashes();
    EXPECT_TRUE(m_offered.isEmpty());

    // Had the second been newer, it would come next.
    writeLog(second, m_base.addSecs(30));
    VostCrashReporter::checkForNewCrashes();
    EXPECT_EQ(m_offered, QStringList{second});

    // Discarded: the next one in the walk comes up at the next launch.
    const QString third =
        writeLog(userFolder() + QStringLiteral("/Tolvane_3.crash"), m_base.addSecs(40));
    EXPECT_TRUE(VostCrashReportSubmission::discard(second));
    EXPECT_FALSE(QFile::exists(second));
    m_offered.clear();
    VostCrashReporter::checkForNewCrashes();
    EXPECT_EQ(m_offered, QStringList{third});
}

TEST_F(CrashReporter,
       aMissingOrMalformedSubmissionAddressIsANamedErrorAndTheDefaultsOverrideTheBundle)
{
    EXPECT_EQ(VostCrashReporter::submissionURL(),
              QUrl(QStringLiteral("https://tolvane.org/crash-report/")));

    UserDefaults::standard().setValue(QStringLiteral("http://127.0.0.1:9/report"),
                                      VostCrashReporterKeys::submissionURL);
    EXPECT_EQ(VostCrashReporter::submissionURL(),
              QUrl(QStringLiteral("http://127.0.0.1:9/report")));

    for (const QString& bad : {QStringLiteral("not an address"), QStringLiteral("ftp://x/y"),
                               QStringLiteral("http://")}) {
        UserDefaults::standard().setValue(bad, VostCrashReporterKeys::submissionURL);
        try {
            VostCrashReporter::checkForNewCrashes();
            ADD_FAILURE() << "no error for " << qPrintable(bad);
        } catch (const VostCrashReporterException& error) {
            EXPECT_EQ(error.name(), QStringLiteral("Invalid VostCrashReporterCrashSubmissionURL"));
            EXPECT_TRUE(error.reason().contains(bad));
        }
    }
    EXPECT_FALSE(lastReport().isValid()) << "the check stops before it stores a date";

    // A bundle without the key, and no value in the defaults.
    const QString bundle = TestEnvironment::makeScratchDir(QStringLiteral("Bare.app"));
    QDir().mkpath(bundle + QStringLiteral("/Contents"));
    QFile info(bundle + QStringLiteral("/Contents/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleName</key><string>Tolvane</string></dict></plist>\n");
    info.close();
    UserDefaults::standard().removeObjectForKey(VostCrashReporterKeys::submissionURL);
    Bundle::setMainBundlePath(bundle);
    try {
        VostCrashReporter::checkForNewCrashes();
        ADD_FAILURE() << "no error without an address";
    } catch (const VostCrashReporterException& error) {
        EXPECT_EQ(error.name(), QStringLiteral("Missing VostCrashReporterCrashSubmissionURL"));
        EXPECT_EQ(error.reason(),
                  QStringLiteral("You must specify the URL for crash log submission as the "
                                 "VostCrashReporterCrashSubmissionURL in either Info.plist or the "
                                 "user defaults!"));
    }
    Bundle::setMainBundlePath(QStringLiteral(TOLVANE_TEST_BUNDLE_DIR));
}

} // namespace
