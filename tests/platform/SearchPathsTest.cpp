#include "core/SearchPaths.h"

#include "TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using Directory = SearchPaths::Directory;

// Moves the local domain for one test and back.
struct LocalDomainRoot {
    explicit LocalDomainRoot(const QString& root)
    {
        SearchPaths::setLocalDomainRootForTesting(root);
    }
    ~LocalDomainRoot() { SearchPaths::setLocalDomainRootForTesting({}); }
};

TEST(SearchPaths, userDomainFoldersLieUnderTheHomeFolderAndTheStateFolder)
{
    const QString home = QDir::homePath();
    EXPECT_EQ(SearchPaths::forDirectory(Directory::Applications, SearchPaths::UserDomain),
              home + "/Applications");
    EXPECT_EQ(SearchPaths::forDirectory(Directory::Library, SearchPaths::UserDomain),
              QDir::cleanPath(qEnvironmentVariable("XDG_STATE_HOME", home + "/.local/state")));
    EXPECT_TRUE(SearchPaths::forDirectory(Directory::Downloads, SearchPaths::UserDomain)
                    .startsWith(home + "/"));
}

TEST(SearchPaths, aStateFolderThatIsNotAbsoluteFallsBackToTheDefault)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "relative/state");
    const QString library = SearchPaths::forDirectory(Directory::Library, SearchPaths::UserDomain);
    qputenv("XDG_STATE_HOME", saved);
    EXPECT_EQ(library, QDir::homePath() + "/.local/state");
}

TEST(SearchPaths, allDomainsListTheUserFolderFirstAndSkipWhatADomainLacks)
{
    const LocalDomainRoot root(TestEnvironment::makeScratchDir("machine"));
    const QStringList applications =
        SearchPaths::forDirectory(Directory::Applications, SearchPaths::AllDomains);
    ASSERT_EQ(applications.size(), 2);
    EXPECT_EQ(applications.at(0), QDir::homePath() + "/Applications");
    EXPECT_TRUE(applications.at(1).endsWith("/opt"));
    EXPECT_FALSE(applications.at(1).startsWith("/opt"));
    EXPECT_EQ(SearchPaths::forDirectory(Directory::Downloads, SearchPaths::AllDomains).size(), 1);
    EXPECT_TRUE(SearchPaths::forDirectory(Directory::Library, SearchPaths::LocalDomain)
                    .endsWith("/usr/local/share"));
}

TEST(SearchPaths, withoutATestRootTheLocalDomainIsTheMachinesOwn)
{
    EXPECT_EQ(SearchPaths::forDirectory(Directory::Applications, SearchPaths::LocalDomain), "/opt");
    EXPECT_EQ(SearchPaths::forDirectory(Directory::Library, SearchPaths::LocalDomain),
              "/usr/local/share");
}

} // namespace
