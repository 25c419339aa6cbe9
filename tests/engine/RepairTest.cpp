// A run killed in the middle of an image (Tolvane itself, or the library),
// then a second run over the same selection: the library ends as one
// uninterrupted run leaves it.
#include "LibraryInvariant.h"
#include "RunFixture.h"

#include "QtPrinters.h"
#include "TestEnvironment.h"
#include "TolvaneAperture.h"
#include "core/UserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <map>

namespace {

/// Where the first run dies: the terminal front end killed by the library
/// before it answers a call, or the library ending in a call.
struct Interruption {
    const char* name;
    const char* serveOption;
    const char* call;
    qint64 option;
};

std::ostream& operator<<(std::ostream& out, const Interruption& interruption)
{
    return out << interruption.name;
}

bool killsTolvane(const Interruption& interruption)
{
    return QLatin1String(interruption.serveOption) == QLatin1String("--kill-caller-at-call");
}

class Repair : public RunFixture, public testing::WithParamInterface<Interruption> {
protected:
    /// A library with every switch on and every original in a second album.
    void startWithEverySwitchOn(qint64 option, const QStringList& serveOptions)
    {
        ASSERT_TRUE(startLibrary());
        photolib(QStringList{"album", m_session->library(), "Everything"} + m_original);
        m_before = library();
        m_session->peer().stop();
        ASSERT_TRUE(m_session->serve(m_session->library(), serveOptions));
        delegate.tag = delegate.hide = delegate.album = delegate.trash = true;
        delegate.option = option;
    }
    void runInProcess()
    {
        TolvaneAperture engine;
        if (delegate.option < 2)
            engine.tolvaneScan(&delegate);
        else
            engine.tolvaneRawJpg(&delegate);
    }
    /// tolvane-cli with the same switches, in a settings folder of its own.
    QProcess::ExitStatus runTerminal(const QStringList& arguments = {}, QString* output = nullptr)
    {
        const QString config = TestEnvironment::makeScratchDir(QStringLiteral("config"));
        UserDefaults defaults(config + QStringLiteral("/org.tolvane.Tolvane.plist"));
        for (const char* key : {"TagEnabled", "HideEnabled", "AlbumEnabled", "TrashEnabled"})
            defaults.setValue(true, QLatin1String(key));
        defaults.setValue(delegate.option, QStringLiteral("ProcessingOption"));
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(TOLVANE_TEST_BUNDLE_DIR "/Contents/MacOS/tolvane-cli"), arguments);
        EXPECT_TRUE(cli.waitForStarted());
        EXPECT_TRUE(cli.waitForFinished(120000));
        if (output)
            *output = QString::fromUtf8(cli.readAllStandardOutput());
        return cli.exitStatus();
    }
    LibraryInvariant invariant() const
    {
        if (delegate.option < 2)
            return LibraryInvariant(m_before, m_original, {});
        return LibraryInvariant(m_before, m_original, {delegate.option, 2, "Tolvane Separated"});
    }
    /// How many originals one uninterrupted run replaces, on a library of
    /// its own.
    int replacedByCleanRun(qint64 option)
    {
        static std::map<qint64, int> counted;
        if (!counted.contains(option)) {
            startWithEverySwitchOn(option, {});
            runInProcess();
            counted[option] = invariant().replaced(library());
            m_session.reset();
        }
        return counted[option];
    }

    QJsonObject m_before;
};

TEST_P(Repair, endsAsOneUninterruptedRunWhenRunAgain)
{
    const Interruption& interruption = GetParam();
    const int clean = replacedByCleanRun(interruption.option);
    ASSERT_GT(clean, 0);
    startWithEverySwitchOn(interruption.option, {interruption.serveOption, interruption.call});
    if (killsTolvane(interruption)) {
        ASSERT_EQ(runTerminal(), QProcess::CrashExit) << "the terminal run was not killed";
    } else {
        runInProcess();
        EXPECT_EQ(delegate.sheets().back().title, "Unable To Process");
    }

    m_session->peer().stop();
    ASSERT_TRUE(m_session->serve(m_session->library(), {}));
    runInProcess();

    const QJsonObject after = library();
    const LibraryInvariant rule = invariant();
    EXPECT_EQ(rule.breaches(after, true).join('\n').toStdString(), "");
    EXPECT_EQ(rule.replaced(after), clean);
    EXPECT_EQ(rule.incompleteNewImages(after), 0);
    EXPECT_EQ(workFolderEntries().join(' ').toStdString(), "");
    EXPECT_EQ(LibraryInvariant::unsoundness(m_session->library()).join('\n').toStdString(), "");
    ASSERT_FALSE(delegate.sheets().empty());
    EXPECT_EQ(delegate.sheets().back().title, "All Done");
}

TEST_F(Repair, repairOnlyTakesOutAHalfMadeImageAndSumsUpWhatItDid)
{
    startWithEverySwitchOn(0, {"--kill-caller-at-call", "AddKeyword:2"});
    ASSERT_EQ(runTerminal(), QProcess::CrashExit);
    m_session->peer().stop();
    ASSERT_TRUE(m_session->serve(m_session->library(), {}));
    const QStringList before = invariant().breaches(library(), true);
    ASSERT_FALSE(before.isEmpty()) << "the killed run left nothing to repair";

    QString output;
    EXPECT_EQ(runTerminal({"--repair"}, &output), QProcess::NormalExit);

    EXPECT_TRUE(output.contains(QStringLiteral("1 half-made images taken out")))
        << output.toStdString();
    const QJsonObject after = library();
    EXPECT_EQ(invariant().breaches(after, true).join('\n').toStdString(), "");
    EXPECT_EQ(invariant().incompleteNewImages(after), 0);
    EXPECT_EQ(workFolderEntries().join(' ').toStdString(), "");
}

const Interruption kInterruptions[] = {
    // Conversion, Tolvane killed: before the second import (after export
    // and write), after it, in the metadata, after hiding, at the keyword.
    {"conversionKilledAfterWrite", "--kill-caller-at-call", "Import:2", 0},
    {"conversionKilledAfterImport", "--kill-caller-at-call", "RefreshMetadata:2", 0},
    {"conversionKilledInMetadata", "--kill-caller-at-call", "AddKeyword:2", 0},
    {"conversionKilledAfterHiding", "--kill-caller-at-call", "MoveTo:2", 0},
    {"conversionKilledAtOriginalsKeyword", "--kill-caller-at-call", "AddKeyword:5", 0},
    // Conversion, the library dies.
    {"conversionLibraryDiesAtImport", "--exit-at-call", "Import:2", 0},
    {"conversionLibraryDiesInMetadata", "--exit-at-call", "AddKeyword:2", 0},
    {"conversionLibraryDiesAtHiding", "--exit-at-call", "SetInteger:2", 0},
    {"conversionLibraryDiesAtTrashMove", "--exit-at-call", "MoveTo:1", 0},
    // Pair separation.
    {"pairKilledAtSecondImport", "--kill-caller-at-call", "Import:2", 2},
    {"pairKilledInMetadata", "--kill-caller-at-call", "AddTag:2", 2},
    {"pairKilledAfterHiding", "--kill-caller-at-call", "MoveTo:1", 2},
    {"pairLibraryDiesAtSecondImport", "--exit-at-call", "Import:2", 2},
    {"pairLibraryDiesInMetadata", "--exit-at-call", "AddTag:2", 2},
};

INSTANTIATE_TEST_SUITE_P(Interruptions, Repair, testing::ValuesIn(kInterruptions),
                         [](const testing::TestParamInfo<Interruption>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
