// When launching has finished the delegate looks for a new crash log and
// hands it on to be shown; a bad report address becomes an alert, not an
// end of the launch.
#include "DelegateFixture.h"
#include "RecordingAlertPresenter.h"
#include "TestEnvironment.h"
#include "VostCrashReporter.h"
#include "VostCrashReporterKeys.h"
#include "ui/ModalAlert.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace {

class CrashCheckAtLaunch : public DelegateFixture {
protected:
    void SetUp() override
    {
        const QString state = TestEnvironment::makeScratchDir(QStringLiteral("state"));
        qputenv("XDG_STATE_HOME", state.toUtf8());
        QDir().mkpath(state + QStringLiteral("/Logs/DiagnosticReports"));
        m_log = state + QStringLiteral("/Logs/DiagnosticReports/Tolvane_new.crash");
        QFile log(m_log);
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        VostCrashReporter::setPresenter([this](const VostCrashReporter::Offer& offer) {
            m_offered.append(offer.crashLogPath);
        });
        ModalAlert::setPresenter(&m_alerts);
    }
    void TearDown() override
    {
        ModalAlert::setPresenter(nullptr);
        VostCrashReporter::setPresenter(nullptr);
        qunsetenv("XDG_STATE_HOME");
        DelegateFixture::TearDown();
    }

    const QVariantMap m_stored{
        {VostCrashReporterKeys::lastCrashReportDate, QDateTime::currentDateTimeUtc().addDays(-1)}};
    QString m_log;
    QStringList m_offered;
    RecordingAlertPresenter m_alerts;
};

TEST_F(CrashCheckAtLaunch, offersTheNewLogWhenLaunchingHasFinished)
{
    TolvaneApertureAppDelegate& app = makeDelegate(m_stored);
    app.applicationWillFinishLaunching();
    EXPECT_TRUE(m_offered.isEmpty());
    app.applicationDidFinishLaunching();
    EXPECT_EQ(m_offered, QStringList{m_log});
    EXPECT_TRUE(m_alerts.alerts().empty());
}

TEST_F(CrashCheckAtLaunch, aMalformedReportAddressIsToldInAnAlertAndNothingIsOffered)
{
    QVariantMap stored = m_stored;
    stored.insert(VostCrashReporterKeys::submissionURL, QStringLiteral("mailto:crashes"));
    makeDelegate(stored).applicationDidFinishLaunching();
    EXPECT_TRUE(m_offered.isEmpty());
    ASSERT_EQ(m_alerts.alerts().size(), 1u);
    EXPECT_EQ(m_alerts.alerts().front().messageText,
              QStringLiteral("Invalid VostCrashReporterCrashSubmissionURL"));
}

} // namespace
