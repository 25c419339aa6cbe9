#include "helpers.h"

#include "FakeRunDelegate.h"
#include "QtPrinters.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void writeFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("data");
}

// accessRequestPath ------------------------------------------------------------

struct CutCase {
    const char* name;
    const char* path;
    const char* asked;
};

// The parameter is a path a read-access request is made for.
class Helpers : public testing::TestWithParam<CutCase> {};

TEST_P(Helpers, accessRequestPathCutsAfterTheLibraryPackage)
{
    EXPECT_EQ(helpers::accessRequestPath(QString::fromUtf8(GetParam().path)),
              QString::fromUtf8(GetParam().asked));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Helpers,
    testing::Values(
        // Deep inside a library: the package itself.
        CutCase{"deepInsideALibrary", "/Users/a/Pictures/Main.aplibrary/Masters/2012/03/IMG_1.NEF",
                "/Users/a/Pictures/Main.aplibrary"},
        // Both extensions: ".aplibrary" wins, wherever each stands.
        CutCase{"aplibraryWinsWhenInside", "/v/Old.photolibrary/Main.aplibrary/Masters/IMG_1.CR2",
                "/v/Old.photolibrary/Main.aplibrary"},
        CutCase{"aplibraryWinsWhenOutside", "/v/Main.aplibrary/Old.photolibrary/IMG_1.CR2",
                "/v/Main.aplibrary"},
        // The first occurrence counts.
        CutCase{"firstOccurrenceCounts", "/v/A.aplibrary/B.aplibrary/IMG_1.NEF", "/v/A.aplibrary"},
        CutCase{"photosLibrary", "/v/Photos.photolibrary/originals/1/IMG_1.JPG",
                "/v/Photos.photolibrary"},
        // The search is case-sensitive.
        CutCase{"upperCaseAplibraryIsNoPackage", "/v/Main.APLIBRARY/Masters/IMG_1.NEF",
                "/v/Main.APLIBRARY/Masters/IMG_1.NEF"},
        CutCase{"mixedCasePhotoLibraryIsNoPackage", "/v/Photos.PhotoLibrary/IMG_1.JPG",
                "/v/Photos.PhotoLibrary/IMG_1.JPG"},
        // No package: the file itself.
        CutCase{"noPackageGivesTheFile", "/v/Exports/IMG_1.tif", "/v/Exports/IMG_1.tif"}),
    [](const auto& info) { return std::string(info.param.name); });

// deleteFile -------------------------------------------------------------------

TEST_F(Helpers, deleteFileRemovesAFileAndAFolderWithItsContentsAndIgnoresAMissingPath)
{
    const QString folder = TestEnvironment::makeScratchDir("delete");
    writeFile(folder + "/IMG_1.tif");
    writeFile(folder + "/export/IMG_2.tif");
    writeFile(folder + "/export/deeper/IMG_2.XMP");
    writeFile(folder + "/kept.jpg");
    helpers::deleteFile(folder + "/IMG_1.tif");
    helpers().deleteFileAt(folder + "/export");
    helpers::deleteFile(folder + "/missing.jpg"); // nothing happens
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"kept.jpg"});
}

TEST_F(Helpers, deleteFileRemovesALinkToAFolderButNeverWhatItPointsAt)
{
    const QString folder = TestEnvironment::makeScratchDir("delete-link");
    writeFile(folder + "/Masters/IMG_1.NEF");
    ASSERT_TRUE(QFile::link(folder + "/Masters", folder + "/link"));
    helpers::deleteFile(folder + "/link");
    EXPECT_FALSE(QFileInfo(folder + "/link").isSymLink());
    EXPECT_TRUE(QFileInfo::exists(folder + "/Masters/IMG_1.NEF"));
}

// fileExists -------------------------------------------------------------------

TEST_F(Helpers, fileExistsAnswersWithoutAskingForNullMissingAndReadableFiles)
{
    const QString folder = TestEnvironment::makeScratchDir("exists");
    writeFile(folder + "/Main.aplibrary/Masters/IMG_1.NEF");
    FakeRunDelegate delegate;
    EXPECT_FALSE(helpers::fileExists(QString(), &delegate));
    EXPECT_FALSE(helpers::fileExists(folder + "/Main.aplibrary/Masters/IMG_2.NEF", &delegate));
    EXPECT_TRUE(helpers::fileExists(folder + "/Main.aplibrary/Masters/IMG_1.NEF", &delegate));
    EXPECT_TRUE(delegate.accessRequests().empty());
}

// Permissions do not stop root, so an unreadable file exists only for others.
TEST_F(Helpers, fileExistsOfAnUnreadableFileMakesTheMainThreadAskForItsLibraryThenTestsAgain)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file: no unreadable file can be made";
    const QString library = TestEnvironment::makeScratchDir("exists") + "/Main.aplibrary";
    const QString file = library + "/Masters/2012/IMG_1.NEF";
    writeFile(file);
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::WriteOwner));
    ASSERT_FALSE(helpers::fileReadable(file));

    FakeRunDelegate delegate;
    delegate.onAccessRequest = [&](const QString&) {
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    };
    // The run's thread asks; the main thread answers.
    bool exists = false;
    QThread* run = QThread::create([&] { exists = helpers::fileExists(file, &delegate); });
    QEventLoop loop;
    QObject::connect(run, &QThread::finished, &loop, &QEventLoop::quit);
    run->start();
    loop.exec();
    delete run;

    EXPECT_TRUE(exists);
    const auto requests = delegate.accessRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, library);
    EXPECT_EQ(requests[0].thread, QCoreApplication::instance()->thread());
}

} // namespace
