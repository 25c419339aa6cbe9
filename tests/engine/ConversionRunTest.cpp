#include "RunFixture.h"

#include "PeerProcess.h"
#include "QtPrinters.h"
#include "ApertureApplication.h"
#include "ApertureImageVersion.h"
#include "TestEnvironment.h"
#include "core/UserDefaults.h"
#include "TolvaneAperture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <csignal>
#include <sys/resource.h>

namespace {

// Limits the size of every file this process writes, for one scope; a write
// past it fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

class ConversionRun : public RunFixture {
protected:
    void runScan()
    {
        TolvaneAperture engine;
        engine.tolvaneScan(&delegate);
        originalSize = engine.originalSize();
        convertedSize = engine.convertedSize();
    }
    QString masterPathOf(const QString& id) const
    {
        return version(id).value("masterFiles").toArray().at(0).toObject().value("path").toString();
    }
    qint64 originalSize = 0;
    qint64 convertedSize = 0;
};

TEST_F(ConversionRun, replacesEveryImageAndCarriesItsMetadataOver)
{
    ASSERT_TRUE(startLibrary());
    QMap<QString, QJsonObject> before;
    for (const QString& id : m_original)
        before.insert(id, version(id));

    runScan();

    const auto sheets = delegate.sheets();
    ASSERT_FALSE(sheets.empty());
    EXPECT_EQ(sheets.back().title, "All Done");
    EXPECT_TRUE(sheets.back().message.contains("Stats:\nOriginals: "));
    expectWindowGivenBack();

    const QList<QJsonObject> created = newVersions();
    ASSERT_EQ(created.size(), m_original.size());
    int positions = 0;
    for (const QJsonObject& made : created) {
        const QString name = made.value("name").toString();
        const auto original = std::find_if(before.cbegin(), before.cend(), [&](const auto& o) {
            return o.value("name").toString() == name;
        });
        ASSERT_NE(original, before.cend()) << name.toStdString();
        EXPECT_EQ(made.value("project"), original->value("project"));
        EXPECT_EQ(made.value("mainRating"), original->value("mainRating"));
        EXPECT_EQ(made.value("flagged"), original->value("flagged"));
        QStringList expected = keywordNames(*original);
        expected.append("Tolvane Processed");
        EXPECT_EQ(keywordNames(made), expected);
        EXPECT_EQ(tagValue(made, "IPTCTags", "Caption"),
                  tagValue(*original, "IPTCTags", "Caption"));
        EXPECT_TRUE(tagValue(made, "IPTCTags", "Keywords").isEmpty());
        EXPECT_FALSE(tagValue(made, "customTags", "Shoot").isEmpty());
        EXPECT_EQ(tagValue(made, "customTags", "Shoot"),
                  tagValue(*original, "customTags", "Shoot"));
        EXPECT_EQ(tagValue(made, "EXIFTags", "ImageDate"),
                  tagValue(*original, "EXIFTags", "ImageDate"));
        // Half the size, as JPEG, moved into the library.
        const QJsonObject master = made.value("masterFiles").toArray().at(0).toObject();
        EXPECT_TRUE(master.value("path").toString().endsWith(".jpg"));
        EXPECT_FALSE(master.value("referenced").toBool());
        // Without adjustments the master itself is scaled.
        EXPECT_NEAR(made.value("width").toInt(), original->value("masterWidth").toInt() / 2.0, 1.0);
        // A position is copied only when both coordinates are non-zero.
        const double latitude = original->value("latitude").toDouble();
        const double longitude = original->value("longitude").toDouble();
        const bool copied = latitude != 0 && longitude != 0;
        if (copied) {
            ++positions;
            EXPECT_DOUBLE_EQ(made.value("latitude").toDouble(), latitude);
            EXPECT_DOUBLE_EQ(made.value("longitude").toDouble(), longitude);
        }
    }
    for (const QString& id : m_original) {
        const QJsonObject original = version(id);
        EXPECT_EQ(original.value("mainRating").toInt(), -1);
        EXPECT_TRUE(keywordNames(original).contains("Tolvane Original"));
    }
    EXPECT_GT(positions, 0) << "the sample has no image with a position";
    // Exports and sidecars are gone with the run's work folder; the JPEGs moved.
    EXPECT_EQ(workFolderEntries(), QStringList());
    EXPECT_GT(originalSize, 0);
    EXPECT_GT(convertedSize, 0);
}

TEST_F(ConversionRun, newImagesJoinEveryAlbumOfTheirOriginalsInSelectionOrder)
{
    ASSERT_TRUE(startLibrary());
    photolib({"album", m_session->library(), "Second", m_original.at(2), m_original.at(0)});
    const QJsonArray albumsBefore = library().value("albums").toArray();
    runScan();

    // Each album keeps its members and then gains the new image of each
    // member, in the order the run met the originals.
    QMap<QString, QString> newImageOf;
    for (const QJsonObject& made : newVersions())
        for (const QString& id : m_original)
            if (version(id).value("name") == made.value("name"))
                newImageOf.insert(id, made.value("id").toString());
    ASSERT_EQ(newImageOf.size(), m_original.size());
    const QJsonArray albumsAfter = library().value("albums").toArray();
    ASSERT_EQ(albumsAfter.size(), albumsBefore.size());
    ASSERT_GE(albumsAfter.size(), 2);
    for (qsizetype a = 0; a < albumsBefore.size(); ++a) {
        const QStringList members = PeerProcess::idsIn(albumsBefore.at(a).toObject(), "versions");
        QStringList expected = members;
        for (const QString& id : m_original)
            if (members.contains(id))
                expected.append(newImageOf.value(id));
        EXPECT_EQ(PeerProcess::idsIn(albumsAfter.at(a).toObject(), "versions"), expected)
            << albumsAfter.at(a).toObject().value("name").toString().toStdString();
    }
}

TEST_F(ConversionRun, offlineImageIsSkippedAndTheNextKeepsItsOwnEntries)
{
    ASSERT_TRUE(startLibrary());
    ASSERT_TRUE(QFile::remove(masterPathOf(m_original.at(1))));
    delegate.album = false; // album loading shows progress of its own
    runScan();
    const auto progress = delegate.progressSinceLastMaximum();
    EXPECT_NE(std::find(progress.begin(), progress.end(), 1.0), progress.end());
    EXPECT_EQ(std::find(progress.begin(), progress.end(), 2.0), progress.end());
    EXPECT_NE(std::find(progress.begin(), progress.end(), 3.0), progress.end());
    const QString third = version(m_original.at(2)).value("name").toString();
    EXPECT_TRUE(delegate.countTexts().filter(third).size() == 1);
    EXPECT_EQ(newVersions().size(), m_original.size() - 1);
    const QJsonObject skipped = version(m_original.at(1));
    EXPECT_NE(skipped.value("mainRating").toInt(), -1);
    EXPECT_FALSE(keywordNames(skipped).contains("Tolvane Original"));
}

TEST_F(ConversionRun, failedExportIsLoggedAndLeavesTheOriginalAlone)
{
    ASSERT_TRUE(startLibrary());
    // The failing id is known only once the sample exists: serve again.
    const QString failing = m_original.at(1);
    m_session->peer().stop();
    ASSERT_TRUE(m_session->serve(m_session->library(), {"--fail-export", failing}));
    runScan();
    EXPECT_EQ(log.lines().filter("Unable to export image").size(), 1);
    EXPECT_EQ(newVersions().size(), m_original.size() - 1);
    EXPECT_NE(version(failing).value("mainRating").toInt(), -1);
    EXPECT_EQ(delegate.sheets().back().title, "All Done");
}

TEST_F(ConversionRun, alteredTiffSettingWarnsOnceAndTheRunGoesOn)
{
    ASSERT_TRUE(startLibrary({"--tiff-setting", "8bit"}));
    delegate.option = 0;
    runScan();
    const auto sheets = delegate.sheets();
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].title, "Warning: JPEG conversion issue detected.");
    EXPECT_TRUE(sheets[0].message.endsWith(
        "\n\nYour current conversion batch will continue till completion."));
    EXPECT_EQ(log.lines().filter("Profile issue").size(), 1);
    EXPECT_EQ(sheets[1].title, "All Done");
    EXPECT_EQ(newVersions().size(), m_original.size());
}

TEST_F(ConversionRun, stockTiffSettingKeepsTheAdjustmentsWithoutAWarning)
{
    ASSERT_TRUE(startLibrary());
    delegate.option = 0;
    delegate.scale = 1.0f;
    runScan();
    ASSERT_EQ(delegate.sheets().size(), 1u);
    EXPECT_EQ(delegate.sheets()[0].title, "All Done");
    for (const QJsonObject& made : newVersions())
        EXPECT_GT(made.value("width").toInt(), 0);
}

TEST_F(ConversionRun, trashProjectTakesTheOriginalsAndIsDeleted)
{
    ASSERT_TRUE(startLibrary());
    delegate.trash = true;
    runScan();
    const auto projects = library().value("projects").toArray();
    const auto trash = std::find_if(projects.begin(), projects.end(), [](const QJsonValue& p) {
        return p.toObject().value("name").toString() == "TolvaneTrashedImages";
    });
    ASSERT_NE(trash, projects.end());
    EXPECT_TRUE(trash->toObject().value("trashed").toBool());
    EXPECT_EQ(trash->toObject().value("versions").toArray().size(), m_original.size());
}

// With every master gone: the project is made and deleted all the same.
TEST_F(ConversionRun, trashProjectIsMadeAndDeletedEvenWhenNothingConverted)
{
    ASSERT_TRUE(startLibrary());
    for (const QString& id : m_original)
        QFile::remove(masterPathOf(id));
    delegate.trash = true;
    runScan();
    int trashProjects = 0;
    for (const QJsonValue& p : library().value("projects").toArray())
        if (p.toObject().value("name").toString() == "TolvaneTrashedImages") {
            ++trashProjects;
            EXPECT_TRUE(p.toObject().value("trashed").toBool());
        }
    EXPECT_EQ(trashProjects, 1);
}

TEST_F(ConversionRun, fullDiskLeavesEveryOriginalUntouchedAndNothingBehind)
{
    ASSERT_TRUE(startLibrary());
    // No file of this process may grow past 1 KB: every JPEG write fails as
    // on a full disk, while the library (another process) exports as usual.
    const FileSizeLimit limit(1024);
    runScan();
    EXPECT_TRUE(newVersions().isEmpty());
    for (const QString& id : m_original) {
        EXPECT_NE(version(id).value("mainRating").toInt(), -1);
        EXPECT_FALSE(keywordNames(version(id)).contains("Tolvane Original"));
    }
    EXPECT_EQ(log.lines().filter("Could not write").size(), m_original.size());
    EXPECT_EQ(originalSize, 0);
    EXPECT_EQ(convertedSize, 0);
    EXPECT_EQ(workFolderEntries(), QStringList());
    EXPECT_EQ(delegate.sheets().back().title, "All Done");
}

TEST_F(ConversionRun, externallyReferencedJpegsStayInTheChosenFolderUnderFreeNames)
{
    ASSERT_TRUE(startLibrary());
    const QString folder = TestEnvironment::makeScratchDir("referenced");
    const QString firstName = version(m_original.at(0)).value("name").toString();
    QFile existing(folder + "/" + firstName + ".jpg");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("not mine");
    existing.close();
    delegate.referenced = true;
    delegate.folder = QUrl::fromLocalFile(folder);
    runScan();
    EXPECT_TRUE(QFileInfo::exists(folder + "/" + firstName + " (1).jpg"));
    QFile kept(folder + "/" + firstName + ".jpg");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("not mine"));
    for (const QJsonObject& made : newVersions())
        EXPECT_TRUE(
            made.value("masterFiles").toArray().at(0).toObject().value("referenced").toBool());
}

TEST_F(ConversionRun, keywordsUnderParentsReachTheNewImageOnceAndTheOriginalsKeywordNever)
{
    ASSERT_TRUE(startLibrary());
    // The first original carries a keyword under parents and, from an
    // earlier run, the originals keyword.
    {
        const ApertureApplication aperture;
        const ApertureImageVersion first = aperture.selection().at(0);
        first.addKeyword("Harbour", "Iceland\tPlaces");
        first.addKeyword("Tolvane Original", "Tolvane");
    }
    const QJsonObject before = version(m_original.at(0));
    delegate.option = 0; // the export embeds the keywords in its metadata
    runScan();

    QJsonObject made;
    for (const QJsonObject& image : newVersions())
        if (image.value("name") == before.value("name"))
            made = image;
    ASSERT_FALSE(made.isEmpty());
    QStringList expected = keywordNames(before);
    expected.removeAll("Tolvane Original");
    expected.append("Tolvane Processed");
    EXPECT_EQ(keywordNames(made), expected);
    for (const QJsonValue& keyword : made.value("keywords").toArray()) {
        if (keyword.toObject().value("name") == "Harbour") {
            EXPECT_EQ(keyword.toObject().value("parents").toString(), "Iceland\tPlaces");
        }
    }
}

TEST_F(ConversionRun, clearedKeywordTextsAddNoKeywordAndTheRunGoesOn)
{
    ASSERT_TRUE(startLibrary());
    UserDefaults::standard().setValue(QString(""), "ProcessedKeyword");
    UserDefaults::standard().setValue(QString(""), "OriginalsKeyword");
    const QJsonObject before = version(m_original.at(0));
    runScan();
    EXPECT_EQ(delegate.sheets().back().title, "All Done");
    ASSERT_EQ(newVersions().size(), m_original.size());
    for (const QJsonObject& made : newVersions())
        EXPECT_FALSE(keywordNames(made).contains(""));
    EXPECT_EQ(keywordNames(version(m_original.at(0))), keywordNames(before));
    EXPECT_EQ(version(m_original.at(0)).value("mainRating").toInt(), -1);
}

TEST_F(ConversionRun, aFileOfTheUsersInTheTemporaryFolderIsNeverTouched)
{
    ASSERT_TRUE(startLibrary());
    // Named as the run's JPEG of the first image would be.
    const QString name = QFileInfo(masterPathOf(m_original.at(0))).completeBaseName() + ".jpg";
    QFile mine(workFolder() + "/" + name);
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("the user's own");
    mine.close();
    runScan();
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("the user's own"));
    EXPECT_EQ(workFolderEntries(), QStringList{name});
    EXPECT_EQ(newVersions().size(), m_original.size());
}

TEST_F(ConversionRun, importThatMakesNoImageCountsInNeitherFigureAndLeavesNoFile)
{
    ASSERT_TRUE(startLibrary({"--empty-call", "Import:2"}));
    const QString folder = TestEnvironment::makeScratchDir("referenced");
    delegate.referenced = true;
    delegate.folder = QUrl::fromLocalFile(folder);
    runScan();

    const QList<QJsonObject> made = newVersions();
    ASSERT_EQ(made.size(), m_original.size() - 1);
    EXPECT_NE(version(m_original.at(1)).value("mainRating").toInt(), -1);
    // The chosen folder holds exactly the JPEGs that became images.
    qint64 jpegBytes = 0;
    QStringList masters;
    for (const QJsonObject& image : made) {
        const QFileInfo master(
            image.value("masterFiles").toArray().at(0).toObject().value("path").toString());
        masters.append(master.fileName());
        jpegBytes += master.size();
    }
    masters.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              masters);
    qint64 masterBytes = 0;
    for (const QString& id : m_original)
        if (id != m_original.at(1))
            masterBytes += tagValue(version(id), "otherTags", "FileSize").toLongLong();
    EXPECT_EQ(convertedSize, jpegBytes);
    EXPECT_EQ(originalSize, masterBytes);
    EXPECT_EQ(workFolderEntries(), QStringList());
}

} // namespace
