#include "RunFixture.h"

#include "PrivateBus.h"
#include "QtPrinters.h"
#include "TolvaneAperture.h"
#include "core/UserDefaults.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Asks the logind stand-in, over a connection of the test's own.
QVariant askLogind(const QString& method)
{
    const QString name = QStringLiteral("logind-probe");
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromUtf8(qgetenv("DBUS_SYSTEM_BUS_ADDRESS")), name);
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                "org.freedesktop.login1.Manager", method));
    QDBusConnection::disconnectFromBus(name);
    return reply.arguments().value(0);
}

int heldInhibitors()
{
    return askLogind("ActiveInhibitors").toInt();
}

QStringList expectedInhibit()
{
    return {"idle", "Tolvane", TolvaneAperture::assertionName(), "block"};
}

// Application-modal alerts as RecordingAlertPresenter records them, with the
// inhibitors held as each went up.
class ProbingPresenter : public RecordingAlertPresenter {
public:
    int runModal(const Alert& alert) override
    {
        heldAtAlert.push_back(heldInhibitors());
        return RecordingAlertPresenter::runModal(alert);
    }
    std::vector<int> heldAtAlert;
};

/// A run fixture with a private system bus, and the logind stand-in on it
/// when a test starts one.
class SystemBusRunFixture : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        m_systemBus = std::make_unique<PrivateBus>(PrivateBus::Role::System);
        ASSERT_TRUE(m_systemBus->isUp());
    }
    void TearDown() override
    {
        if (m_logind.state() != QProcess::NotRunning) {
            m_logind.terminate();
            m_logind.waitForFinished(5000);
        }
        m_systemBus.reset();
        RunFixture::TearDown();
    }
    bool startLogind()
    {
        m_logind.start(QStringLiteral(TOLVANE_BINARY_DIR "/tests/support/logind-standin"));
        return m_logind.waitForReadyRead(10000);
    }
    /// The window as the cleanup leaves it, reached once.
    static void expectReady(const FakeRunDelegate& shown)
    {
        EXPECT_EQ(shown.buttonStates(), (std::vector<bool>{false, true}));
        EXPECT_EQ(shown.statusTexts().count("Ready"), 1);
        EXPECT_EQ(shown.lastStatus(), "Ready");
        EXPECT_EQ(shown.countTexts(), QStringList{""});
        EXPECT_EQ(shown.lastProgress(), 0);
        EXPECT_FALSE(shown.nowProcessing());
    }

    std::unique_ptr<PrivateBus> m_systemBus;
    QProcess m_logind;
};

// Every early end ---------------------------------------------------------------

/// A folder the run cannot work in, and what the alert must name.
enum class UnusableFolder { None, TemporaryMissing, NoneChosen, ChosenMissing, ChosenIsAFile };

struct EarlyEnd {
    const char* name;
    QStringList serveOptions;
    bool selectNone;
    qint64 option;
    bool pairRun;
    const char* alertTitle;
    /// Shown by the checks while the run is on (application-modal), or as the
    /// run's closing sheet after the cleanup.
    bool modal;
    UnusableFolder folder = UnusableFolder::None;
};

void PrintTo(const EarlyEnd& end, std::ostream* out)
{
    *out << end.name;
}

/// The parameter is a run that ends at one of its checks.
class Lifecycle : public SystemBusRunFixture, public testing::WithParamInterface<EarlyEnd> {
protected:
    /// Sets the folder up to fail; the text the alert must hold.
    QString makeUnusable(UnusableFolder folder, FakeRunDelegate& probe) const
    {
        const QString missing = workFolder() + "/missing";
        const QString file = workFolder() + "/a file";
        probe.referenced =
            folder != UnusableFolder::None && folder != UnusableFolder::TemporaryMissing;
        switch (folder) {
        case UnusableFolder::None:
            return {};
        case UnusableFolder::TemporaryMissing:
            qputenv("TMPDIR", missing.toUtf8());
            return missing;
        case UnusableFolder::NoneChosen:
            probe.folder = QUrl();
            return "no folder was chosen";
        case UnusableFolder::ChosenMissing:
            probe.folder = QUrl::fromLocalFile(missing + "/");
            return missing;
        case UnusableFolder::ChosenIsAFile: {
            QFile made(file);
            EXPECT_TRUE(made.open(QIODevice::WriteOnly));
            probe.folder = QUrl::fromLocalFile(file);
            return file;
        }
        }
        return {};
    }
};

TEST_P(Lifecycle, anEarlyEndGivesTheWindowBackAndReleasesTheSleepAssertion)
{
    const EarlyEnd& end = GetParam();
    ASSERT_TRUE(startLogind());
    ASSERT_TRUE(startLibrary(end.serveOptions));
    if (end.selectNone)
        photolib({"select", m_session->library(), "--none"});
    ProbingPresenter presenter;
    ModalAlert::setPresenter(&presenter);
    FakeRunDelegate probe;
    probe.option = end.option;
    // The inhibitors held as each sheet went up.
    std::vector<int> heldAtSheet;
    probe.onAlert = [&](const QString&, const QString&) {
        heldAtSheet.push_back(heldInhibitors());
    };
    const int versionsBefore = library().value("versions").toArray().size();
    const QString named = makeUnusable(end.folder, probe);

    {
        TolvaneAperture engine;
        if (end.pairRun)
            engine.tolvaneRawJpg(&probe);
        else
            engine.tolvaneScan(&probe);
    }

    // The run ended at its check: one alert, nothing made.
    const auto modals = presenter.alerts();
    const auto sheets = probe.sheets();
    ASSERT_EQ(modals.size() + sheets.size(), 1u);
    if (end.modal) {
        ASSERT_EQ(modals.size(), 1u);
        EXPECT_EQ(modals[0].messageText, end.alertTitle);
        EXPECT_EQ(presenter.heldAtAlert, std::vector<int>{1});
    } else {
        ASSERT_EQ(sheets.size(), 1u);
        EXPECT_EQ(sheets[0].title, end.alertTitle);
        EXPECT_TRUE(sheets[0].message.contains(named)) << sheets[0].message.toStdString();
        EXPECT_EQ(heldAtSheet, std::vector<int>{0});
    }
    if (end.folder != UnusableFolder::None) {
        EXPECT_FALSE(QFileInfo::exists(workFolder() + "/missing"));
        EXPECT_EQ(QDir(workFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  end.folder == UnusableFolder::ChosenIsAFile ? QStringList{"a file"}
                                                              : QStringList());
    }
    EXPECT_EQ(library().value("versions").toArray().size(), versionsBefore);

    expectReady(probe);
    EXPECT_EQ(askLogind("LastInhibit").toStringList(), expectedInhibit());
    EXPECT_EQ(heldInhibitors(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, Lifecycle,
    testing::Values(
        EarlyEnd{"versionRefused",
                 {"--version-text", "4.0"},
                 false,
                 1,
                 false,
                 "Unsupported Version",
                 true},
        EarlyEnd{"versionUnreadable", {"--wrong-shape", "GetText"}, false, 1, false, "Error", true},
        EarlyEnd{"tiffSettingMissing",
                 {"--tiff-setting", "missing"},
                 false,
                 0,
                 false,
                 "Unable To Process",
                 false},
        EarlyEnd{"emptySelection", {}, true, 1, false, "Unable To Process", false},
        EarlyEnd{"emptySelectionPairRun", {}, true, 3, true, "Unable To Process", false},
        EarlyEnd{"failedLoading", {"--inconsistent-tag-lists"}, false, 1, false, "ERROR", true},
        EarlyEnd{
            "failedLoadingPairRun", {"--inconsistent-tag-lists"}, false, 4, true, "ERROR", true},
        EarlyEnd{"temporaryFolderMissing",
                 {},
                 false,
                 1,
                 false,
                 "Unable To Process",
                 false,
                 UnusableFolder::TemporaryMissing},
        EarlyEnd{"referencedWithoutAFolder",
                 {},
                 false,
                 0,
                 false,
                 "Unable To Process",
                 false,
                 UnusableFolder::NoneChosen},
        EarlyEnd{"chosenFolderMissing",
                 {},
                 false,
                 1,
                 false,
                 "Unable To Process",
                 false,
                 UnusableFolder::ChosenMissing},
        EarlyEnd{"chosenFolderIsAFilePairRun",
                 {},
                 false,
                 2,
                 true,
                 "Unable To Process",
                 false,
                 UnusableFolder::ChosenIsAFile}),
    [](const auto& info) { return std::string(info.param.name); });

// Sleep assertion -----------------------------------------------------------------

TEST_F(Lifecycle, sleepAssertionIsHeldFromPreparationToCleanupAndReleasedOnce)
{
    ASSERT_TRUE(startLogind());
    TolvaneAperture engine;
    prepareForRun(engine, &delegate);
    ASSERT_EQ(sleepAssertionResult(engine), 0);
    EXPECT_EQ(heldInhibitors(), 1);
    EXPECT_EQ(askLogind("LastInhibit").toStringList(), expectedInhibit());

    // Another file opened during the run, to take the identifier's number
    // once it is free.
    const int other = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    endOfRunCleanup(engine);
    const int id = static_cast<int>(sleepAssertionId(engine));
    ASSERT_EQ(::fcntl(id, F_GETFD), -1) << "the assertion's descriptor is still open";
    // The number, given to another file since, stays open when the cleanup
    // is reached again.
    ASSERT_EQ(::dup3(other, id, O_CLOEXEC), id);
    endOfRunCleanup(engine);
    EXPECT_NE(::fcntl(id, F_GETFD), -1);
    ::close(id);
    ::close(other);
    EXPECT_EQ(heldInhibitors(), 0);
    expectReady(delegate);
}

TEST_F(Lifecycle, failedSleepAssertionIsNotReleasedAtCleanup)
{
    // The fixture's system bus has no logind on it: creating the assertion
    // fails.
    TolvaneAperture engine;
    // Releasing the identifier that was never set would close whatever holds
    // its number (standard input): keep a file there to see that happen.
    const int unset = static_cast<int>(sleepAssertionId(engine));
    const bool wasClosed = ::fcntl(unset, F_GETFD) == -1;
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(devNull, 0);
    if (wasClosed) {
        ASSERT_EQ(::dup2(devNull, unset), unset);
    }

    prepareForRun(engine, &delegate);
    EXPECT_NE(sleepAssertionResult(engine), 0);
    EXPECT_EQ(sleepAssertionId(engine), static_cast<uint32_t>(unset));
    endOfRunCleanup(engine);
    EXPECT_NE(::fcntl(unset, F_GETFD), -1);
    expectReady(delegate);
    if (wasClosed)
        ::close(unset);
    ::close(devNull);
}

// Work folder ---------------------------------------------------------------------

TEST_F(Lifecycle, chosenFolderEndingInASlashGetsNoSecondOne)
{
    TolvaneAperture engine;
    delegate.referenced = true;
    delegate.folder = QUrl("file:///x/Out/");
    prepareForRun(engine, &delegate);
    EXPECT_EQ(jpegFolder(engine), "/x/Out/");
    endOfRunCleanup(engine);
    // Off again: the temporary directory, even where a folder was chosen.
    delegate.referenced = false;
    prepareForRun(engine, &delegate);
    EXPECT_EQ(jpegFolder(engine), workFolder() + "/");
    endOfRunCleanup(engine);
}

// One engine per run ----------------------------------------------------------------

TEST_F(Lifecycle, secondRunStartsWithZeroSizesAndChecksTheExportSettingAgain)
{
    // The altered TIFF setting warns once per run, at the run's first check.
    ASSERT_TRUE(startLibrary({"--tiff-setting", "8bit"}));
    delegate.option = 0;
    delegate.tag = false;
    delegate.hide = false;
    delegate.album = false;
    const auto warnings = [&] {
        int count = 0;
        for (const auto& sheet : delegate.sheets())
            count += sheet.title == "Warning: JPEG conversion issue detected." ? 1 : 0;
        return count;
    };

    TolvaneAperture first;
    EXPECT_FALSE(tiffSettingChecked(first));
    first.tolvaneScan(&delegate);
    EXPECT_TRUE(tiffSettingChecked(first));
    EXPECT_GT(first.originalSize(), 0);
    EXPECT_GT(first.convertedSize(), 0);
    ASSERT_EQ(warnings(), 1);

    // The same originals again, with a new engine, converted once more.
    photolib(QStringList{"select", m_session->library()} + m_original);
    UserDefaults::standard().setValue(false, QStringLiteral("SkipConvertedImages"));
    TolvaneAperture second;
    EXPECT_FALSE(tiffSettingChecked(second));
    EXPECT_EQ(second.originalSize(), 0);
    EXPECT_EQ(second.convertedSize(), 0);
    second.tolvaneScan(&delegate);
    EXPECT_EQ(warnings(), 2);
    EXPECT_EQ(second.originalSize(), first.originalSize());
    EXPECT_GT(second.convertedSize(), 0);

    // Preparing zeroes what a finished run counted.
    prepareForRun(first, &delegate);
    EXPECT_EQ(first.originalSize(), 0);
    EXPECT_EQ(first.convertedSize(), 0);
    endOfRunCleanup(first);
}

} // namespace
