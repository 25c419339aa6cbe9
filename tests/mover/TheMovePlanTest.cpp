#include "MovePlan.h"

#include "ProtectedFolder.h"
#include "TestEnvironment.h"
#include "core/Localization.h"
#include "core/SearchPaths.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kIntro = "I can move myself to the Applications folder if you'd like.";
const QString kDownloads = "This will keep your Downloads folder uncluttered.";
const QString kAdministrator = "Note that this will require an administrator password.";

struct InstalledCase {
    const char* name;
    const char* pathUnderHome; // "@" stands for the local domain's root
    bool installed;
};

void PrintTo(const InstalledCase& c, std::ostream* out)
{
    *out << c.name;
}

class TheMovePlan : public ::testing::TestWithParam<InstalledCase> {
protected:
    void SetUp() override
    {
        m_root = TestEnvironment::makeScratchDir("machine");
        ASSERT_TRUE(QDir().mkpath(localApplications()));
        SearchPaths::setLocalDomainRootForTesting(m_root);
        QDir(homeApplications()).removeRecursively();
    }
    void TearDown() override
    {
        SearchPaths::setLocalDomainRootForTesting({});
        QDir(homeApplications()).removeRecursively();
    }

    QString localApplications() const { return m_root + "/opt"; }
    static QString homeApplications() { return QDir::homePath() + "/Applications"; }
    static QString downloads() { return QDir::homePath() + "/Downloads"; }

    QString m_root;
};

TEST_P(TheMovePlan, tellsWhetherTheBundleAlreadyLiesInAnApplicationsFolder)
{
    QString path = QString::fromUtf8(GetParam().pathUnderHome);
    path = path.startsWith('@') ? QString(m_root + path.mid(1))
                                : QString(QDir::homePath() + "/" + path);
    EXPECT_EQ(MovePlan::isInstalled(path), GetParam().installed) << qPrintable(path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TheMovePlan,
    ::testing::Values(InstalledCase{"InsideHomeApplicationsUtilities",
                                    "Applications/Utilities/Tolvane.app", true},
                      InstalledCase{"InsideTheLocalApplicationsFolder", "@/opt/Tolvane.app", true},
                      InstalledCase{"UnderAnyFolderNamedApplications",
                                    "Desktop/Applications/Tolvane.app", true},
                      InstalledCase{"InDownloads", "Downloads/Tolvane.app", false},
                      InstalledCase{"UnderAFolderWhoseNameOnlyContainsApplications",
                                    "Desktop/MyApplications/Tolvane.app", false},
                      InstalledCase{"UnderAFolderNamedApplicationsInOtherCase",
                                    "Desktop/applications/Tolvane.app", false}),
    [](const ::testing::TestParamInfo<InstalledCase>& info) { return info.param.name; });

TEST_F(TheMovePlan, fromDownloadsAsksAboutTheLocalFolderAndMentionsTheDownloadsFolder)
{
    ASSERT_TRUE(QDir().mkpath(homeApplications()));
    const MovePlan plan(downloads() + "/Tolvane.app");
    EXPECT_EQ(plan.messageText(), "Move to Applications folder?");
    EXPECT_EQ(plan.informativeText(), QString(kIntro + " " + kDownloads));
    EXPECT_FALSE(plan.installsInHomeFolder());
    EXPECT_FALSE(plan.needsRights());
    EXPECT_EQ(plan.destinationPath(),
              QString(QFileInfo(localApplications()).canonicalFilePath() + "/Tolvane.app"));
}

TEST_F(TheMovePlan, aHomeApplicationsFolderHoldingAnApplicationIsChosen)
{
    ASSERT_TRUE(QDir().mkpath(homeApplications() + "/Other.app"));
    const MovePlan plan(QDir::homePath() + "/Desktop/Tolvane.app");
    EXPECT_EQ(plan.messageText(), "Move to Applications folder in your Home folder?");
    EXPECT_EQ(plan.informativeText(), kIntro);
    EXPECT_TRUE(plan.installsInHomeFolder());
    EXPECT_EQ(plan.destinationPath(),
              QString(QFileInfo(homeApplications()).canonicalFilePath() + "/Tolvane.app"));
}

TEST_F(TheMovePlan, aHomeApplicationsFolderWithoutAnApplicationIsPassedOver)
{
    ASSERT_TRUE(QDir().mkpath(homeApplications() + "/Notes"));
    const MovePlan plan(downloads() + "/Tolvane.app");
    EXPECT_FALSE(plan.installsInHomeFolder());
    EXPECT_TRUE(plan.destinationPath().startsWith(QFileInfo(m_root).canonicalFilePath()));
}

TEST_F(TheMovePlan, anUnwritableFolderAsksForTheAdministratorPasswordEvenFromDownloads)
{
    const ProtectedFolder protection(localApplications());
    ASSERT_TRUE(protection.isProtected());
    const MovePlan plan(downloads() + "/Tolvane.app");
    EXPECT_TRUE(plan.needsRights());
    EXPECT_EQ(plan.informativeText(), QString(kIntro + " " + kAdministrator));
}

TEST_F(TheMovePlan, anUnwritableCopyAtTheDestinationNeedsRightsToo)
{
    const QString existing = localApplications() + "/Tolvane.app";
    ASSERT_TRUE(QDir().mkpath(existing));
    {
        const ProtectedFolder protection(existing);
        ASSERT_TRUE(protection.isProtected());
        EXPECT_TRUE(MovePlan(downloads() + "/Tolvane.app").needsRights());
    }
    EXPECT_FALSE(MovePlan(downloads() + "/Tolvane.app").needsRights());
}

TEST_F(TheMovePlan, asksInGermanUnderAGermanLocaleAndInEnglishWhereNoTableExists)
{
    const QString translations = Localization::bundleTranslationsFolder();
    ASSERT_EQ(Localization::install(translations, QLocale(QLocale::German)), 2);
    const MovePlan plan(downloads() + "/Tolvane.app");
    EXPECT_EQ(plan.messageText(), "In den Programme-Ordner verschieben?");
    EXPECT_EQ(plan.informativeText(), "Ich kann mich auf Wunsch in den Programme-Ordner "
                                      "verschieben. So bleibt Ihr Download-Ordner aufgeräumt.");
    EXPECT_EQ(Localization::install(translations, QLocale(QLocale::French)), 0);
    EXPECT_EQ(plan.messageText(), "Move to Applications folder?");
}

} // namespace
