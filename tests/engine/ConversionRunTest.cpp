#include "RunFixture.h"

#include "TestEnvironment.h"
#include "TolvaneAperture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

namespace {

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
        const double latitude = original->value("latitude").toDouble();
        const double longitude = original->value("longitude").toDouble();
        if (latitude != 0 && longitude != 0) {
            EXPECT_DOUBLE_EQ(made.value("latitude").toDouble(), latitude);
        }
    }
    for (const QString& id : m_original) {
        const QJsonObject original = version(id);
        EXPECT_EQ(original.value("mainRating").toInt(), -1);
        EXPECT_TRUE(keywordNames(original).contains("Tolvane Original"));
    }
    // Exports and sidecars are gone from the work folder; the JPEGs moved.
    EXPECT_TRUE(QDir(workFolder()).entryList(QDir::Files).isEmpty())
        << QDir(workFolder()).entryList(QDir::Files).join(' ').toStdString();
    EXPECT_GT(originalSize, 0);
    EXPECT_GT(convertedSize, 0);
}

TEST_F(ConversionRun, newImagesJoinTheirOriginalsAlbumsInAlbumOrder)
{
    ASSERT_TRUE(startLibrary());
    photolib({"album", m_session->library(), "Second", m_original.at(0)});
    runScan();
    QStringList inFirst, inSecond;
    for (const QJsonValue& album : library().value("albums").toArray()) {
        const QJsonObject a = album.toObject();
        QStringList members;
        for (const QJsonValue& id : a.value("versions").toArray())
            members.append(id.toString());
        (a.value("name").toString() == "Second" ? inSecond : inFirst) = members;
    }
    // The original and its new image sit side by side in each of its albums.
    ASSERT_EQ(inSecond.size(), 2);
    EXPECT_EQ(version(inSecond.at(1)).value("name"), version(m_original.at(0)).value("name"));
    EXPECT_EQ(inFirst.size() % 2, 0);
}

TEST_F(ConversionRun, offlineImageIsSkippedAndTheNextKeepsItsOwnEntries)
{
    ASSERT_TRUE(startLibrary());
    ASSERT_TRUE(QFile::remove(masterPathOf(m_original.at(1))));
    delegate.album = false; // album loading shows progress of its own
    runScan();
    const auto progress = delegate.progressValues();
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

TEST_F(ConversionRun, trashProjectTakesTheOriginalsAndIsDeletedEvenWhenNothingConverted)
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

    // Again with every master gone: the project is made and deleted all the same.
    RunFixture::TearDown();
    RunFixture::SetUp();
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

TEST_F(ConversionRun, writeFailureLeavesTheOriginalUntouched)
{
    ASSERT_TRUE(startLibrary());
    // A folder where each JPEG should go: the export works, the write cannot.
    for (const QString& id : m_original)
        QDir().mkpath(workFolder() + "/" + version(id).value("name").toString() + ".jpg");
    runScan();
    EXPECT_TRUE(newVersions().isEmpty());
    for (const QString& id : m_original) {
        EXPECT_NE(version(id).value("mainRating").toInt(), -1);
        EXPECT_FALSE(keywordNames(version(id)).contains("Tolvane Original"));
    }
    EXPECT_EQ(convertedSize, 0);
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

TEST_F(ConversionRun, libraryDyingMidRunEndsItCleanlyWithAnAlert)
{
    ASSERT_TRUE(startLibrary());
    m_session->peer().stop();
    ASSERT_TRUE(m_session->serve(m_session->library(), {"--exit-after-calls", "40"}));
    runScan();
    const auto sheets = delegate.sheets();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].title, "Unable To Process");
    EXPECT_TRUE(sheets[0].message.contains("did not answer"));
    expectWindowGivenBack();
    // Every original is either untouched or fully replaced.
    m_session->peer().stop();
    const QJsonObject after = library();
    for (const QString& id : m_original) {
        const QJsonObject original = PeerProcess::versionIn(after, id);
        if (original.value("mainRating").toInt() == -1) {
            EXPECT_TRUE(keywordNames(original).contains("Tolvane Original"));
        }
    }
}

} // namespace
