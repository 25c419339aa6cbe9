#include "ApertureApplication.h"

#include "PeerSession.h"
#include "QtPrinters.h"
#include "ScriptingErrorOf.h"
#include "TestEnvironment.h"

#include "scripting/ScriptingApplication.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

quint64 callCount(const ApertureApplication& application)
{
    return application.connection()
        ->call(QStringLiteral("/application"), QStringLiteral("CallCount"))
        .value(0)
        .toULongLong();
}

class ApertureApplicationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_session.start()) << qPrintable(m_session.problem()); }

    /// A PNG without metadata, made by exporting the first selected image.
    QString exportPlainPng()
    {
        const QString folder = TestEnvironment::makeScratchDir(QStringLiteral("png"));
        ApertureExportSetting png;
        for (const ApertureExportSetting& setting : m_app.exportSettings())
            if (setting.name() == QLatin1String("PNG - Original Size"))
                png = setting;
        const QList<QUrl> files = m_app.exportImages({m_app.selection().first()}, png,
                                                     ApertureExportMetadata::Sidecar, folder);
        EXPECT_EQ(files.size(), 2);
        QFile::remove(files.value(1).toLocalFile()); // the sidecar
        return files.value(0).toLocalFile();
    }

    PeerSession m_session;
    ApertureApplication m_app;
};

TEST_F(ApertureApplicationTest, readsTheApplicationsVersionSelectionAndCollections)
{
    const QJsonObject library = m_session.show();
    EXPECT_TRUE(m_app.isRunning());
    EXPECT_EQ(m_app.version(), QStringLiteral("3.6"));

    QStringList selection;
    for (const ApertureImageVersion& version : m_app.selection())
        selection.append(version.id());
    EXPECT_EQ(selection, PeerProcess::idsIn(library, QStringLiteral("selection")));
    ASSERT_EQ(selection.size(), 4);

    ASSERT_EQ(m_app.libraries().size(), 1);
    QStringList projects;
    for (const ApertureProject& project : m_app.libraries().first().projects())
        projects.append(project.name());
    EXPECT_EQ(projects, QStringList{QStringLiteral("Sample Project 1")});

    ASSERT_EQ(m_app.albums().size(), 1);
    EXPECT_EQ(m_app.albums().first().name(), QStringLiteral("Sample Album 1"));

    QStringList settings;
    for (const ApertureExportSetting& setting : m_app.exportSettings())
        settings.append(setting.name());
    EXPECT_EQ(settings, (QStringList{QStringLiteral("JPEG - Original Size"),
                                     QStringLiteral("JPEG - Fit within 1024 x 1024"),
                                     QStringLiteral("PNG - Original Size"),
                                     QStringLiteral("TIFF - Original Size (8-bit)"),
                                     QStringLiteral("TIFF - Original Size (16-bit)")}));
}

TEST_F(ApertureApplicationTest, bulkReadGivesOneEntryPerImageInOrderForOneCall)
{
    const QJsonObject library = m_session.show();
    const QList<ApertureImageVersion> selection = m_app.selection();
    const QStringList keys = {QStringLiteral("id"),
                              QStringLiteral("height"),
                              QStringLiteral("width"),
                              QStringLiteral("EXIFTags.name"),
                              QStringLiteral("EXIFTags.value"),
                              QStringLiteral("otherTags.name"),
                              QStringLiteral("otherTags.value")};
    const quint64 before = callCount(m_app);
    const QHash<QString, QVariantList> values = m_app.valuesForKeys(selection, keys);
    EXPECT_EQ(callCount(m_app) - before, 1u);

    for (const QString& key : keys)
        ASSERT_EQ(values.value(key).size(), selection.size()) << qPrintable(key);
    for (qsizetype i = 0; i < selection.size(); ++i) {
        const QString id = values[QStringLiteral("id")][i].toString();
        EXPECT_EQ(selection[i].reference(), QStringLiteral("/version/") + id);
        const QJsonObject expected = PeerProcess::versionIn(library, id);
        EXPECT_EQ(values[QStringLiteral("height")][i].toInt(),
                  expected[QStringLiteral("height")].toInt());
        EXPECT_EQ(values[QStringLiteral("width")][i].toInt(),
                  expected[QStringLiteral("width")].toInt());

        ASSERT_EQ(values[QStringLiteral("EXIFTags.name")][i].typeId(), QMetaType::QVariantList);
        const QStringList exifNames = values[QStringLiteral("EXIFTags.name")][i].toStringList();
        const QVariantList exifValues = values[QStringLiteral("EXIFTags.value")][i].toList();
        ASSERT_EQ(exifNames.size(), exifValues.size());
        const QVariant date = exifValues.value(exifNames.indexOf(QStringLiteral("ImageDate")));
        ASSERT_EQ(date.metaType().id(), QMetaType::QDateTime);
        EXPECT_EQ(date.toDateTime().toString(Qt::ISODateWithMs),
                  expected[QStringLiteral("EXIFTags")][0][QStringLiteral("value")].toString());

        const QStringList otherNames = values[QStringLiteral("otherTags.name")][i].toStringList();
        const QVariantList otherValues = values[QStringLiteral("otherTags.value")][i].toList();
        EXPECT_EQ(otherNames, (QStringList{QStringLiteral("FileName"), QStringLiteral("FileSize"),
                                           QStringLiteral("MasterProject")}));
        EXPECT_EQ(
            otherValues.value(0).toString(),
            QFileInfo(expected[QStringLiteral("masterFiles")][0][QStringLiteral("path")].toString())
                .fileName());
        EXPECT_EQ(otherValues.value(1).toLongLong(),
                  expected[QStringLiteral("otherTags")][1][QStringLiteral("value")].toInteger());
        ASSERT_EQ(otherValues.value(2).metaType(), QMetaType::fromType<ApertureProject>());
        EXPECT_EQ(otherValues.value(2).value<ApertureProject>().name(),
                  QStringLiteral("Sample Project 1"));
    }

    // One image or all of them: the same single call.
    const quint64 beforeOne = callCount(m_app);
    EXPECT_EQ(m_app.valuesForKeys({selection.first()}, keys).value(QStringLiteral("id")).size(), 1);
    EXPECT_EQ(callCount(m_app) - beforeOne, 1u);
}

TEST(ApertureApplicationBulkRead, answersNullWithoutExifAndTextForADateThatIsNone)
{
    PeerSession session;
    ASSERT_TRUE(session.start(PeerSession::smallSample() +
                              QStringList{QStringLiteral("--bare"), QStringLiteral("1"),
                                          QStringLiteral("--text-dates"), QStringLiteral("1")}))
        << qPrintable(session.problem());
    ApertureApplication application;
    const QList<ApertureImageVersion> selection = application.selection();
    ASSERT_EQ(selection.size(), 4);
    const QHash<QString, QVariantList> values = application.valuesForKeys(
        selection, {QStringLiteral("EXIFTags.name"), QStringLiteral("EXIFTags.value"),
                    QStringLiteral("otherTags.name")});
    // The first image is a JPEG without metadata: no EXIF at all.
    EXPECT_FALSE(values[QStringLiteral("EXIFTags.name")][0].isValid());
    EXPECT_FALSE(values[QStringLiteral("EXIFTags.value")][0].isValid());
    EXPECT_TRUE(values[QStringLiteral("otherTags.name")][0].isValid());
    // The last one's date is no date: it comes as the text found.
    const QStringList names = values[QStringLiteral("EXIFTags.name")][3].toStringList();
    const QVariant date = values[QStringLiteral("EXIFTags.value")][3].toList().value(
        names.indexOf(QStringLiteral("ImageDate")));
    EXPECT_EQ(date.metaType().id(), QMetaType::QString);
    EXPECT_EQ(date.toString(), QStringLiteral("0000:00:00 00:00:00"));
    const QVariantList dates = values[QStringLiteral("EXIFTags.value")][1].toList();
    EXPECT_EQ(dates.value(0).metaType().id(), QMetaType::QDateTime);
}

TEST_F(ApertureApplicationTest, importMovesOrReferencesTheFileAndReturnsTheNewVersion)
{
    const ApertureProject project =
        m_app.libraries().first().makeProject(QStringLiteral("Imports"));
    const QString moved = exportPlainPng();
    const QList<ApertureImageVersion> first =
        m_app.importFiles({moved}, ApertureImportMode::Moved, project);
    const QString referenced = exportPlainPng();
    const QList<ApertureImageVersion> second = m_app.importFiles(
        {QUrl::fromLocalFile(referenced).toString()}, ApertureImportMode::Referenced, project);
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(second.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(moved));
    EXPECT_TRUE(QFileInfo::exists(referenced));

    const QJsonObject library = m_session.show();
    const QJsonObject managed = PeerProcess::versionIn(library, first.first().id());
    const QJsonObject kept = PeerProcess::versionIn(library, second.first().id());
    EXPECT_FALSE(managed[QStringLiteral("masterFiles")][0][QStringLiteral("referenced")].toBool());
    EXPECT_TRUE(
        managed[QStringLiteral("masterFiles")][0][QStringLiteral("path")].toString().startsWith(
            m_session.library() + QStringLiteral("/Masters/")));
    EXPECT_TRUE(kept[QStringLiteral("masterFiles")][0][QStringLiteral("referenced")].toBool());
    EXPECT_EQ(kept[QStringLiteral("masterFiles")][0][QStringLiteral("path")].toString(),
              referenced);
    QStringList inProject;
    for (const ApertureImageVersion& version : project.imageVersions())
        inProject.append(version.id());
    EXPECT_EQ(inProject, (QStringList{first.first().id(), second.first().id()}));
}

TEST_F(ApertureApplicationTest, exportWithoutSettingCopiesThePairThenItsSidecar)
{
    ApertureImageVersion pair;
    for (const ApertureImageVersion& version : m_app.selection())
        if (version.properties().value(QStringLiteral("masterFiles")).toList().size() == 2)
            pair = version;
    ASSERT_FALSE(pair.isNull());
    const QString folder = TestEnvironment::makeScratchDir(QStringLiteral("pair"));
    const QList<QUrl> files =
        m_app.exportImages({pair}, std::nullopt, ApertureExportMetadata::Sidecar, folder);
    ASSERT_EQ(files.size(), 3);
    const QString base = folder + QLatin1Char('/') + pair.name();
    EXPECT_EQ(files[0].toLocalFile(), base + QStringLiteral(".DNG"));
    EXPECT_EQ(files[1].toLocalFile(), base + QStringLiteral(".JPG"));
    EXPECT_EQ(files[2].toLocalFile(), base + QStringLiteral(".XMP"));
    for (const QUrl& file : files)
        EXPECT_TRUE(file.isLocalFile() && QFileInfo(file.toLocalFile()).size() > 0);
}

TEST_F(ApertureApplicationTest, adjustImageDateSetsTheDateOfVersionsAndMasters)
{
    const ApertureImageVersion version = m_app.selection().first();
    const QDateTime date(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    m_app.adjustImageDate(date, {version}, true);
    const auto imageDate = [&] {
        for (const ApertureTag& tag : version.exifTags())
            if (tag.name() == QLatin1String("ImageDate"))
                return tag.value().toDateTime();
        return QDateTime();
    };
    EXPECT_EQ(imageDate(), date);
    // The master file carries the date too: reading its metadata again keeps it.
    version.refreshMetadata();
    EXPECT_EQ(imageDate(), date);
}

TEST(ApertureApplicationWithoutPeer, isNotRunningAndCallsFailWithoutStartingIt)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.isUp());
    ApertureApplication application;
    EXPECT_FALSE(application.isRunning());
    const ScriptingError error = scriptingErrorOf([&] { application.version(); });
    EXPECT_EQ(error.name(), QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"));
    EXPECT_TRUE(error.reason().contains(QLatin1String("GetText")));
    EXPECT_FALSE(application.isRunning());
}

} // namespace
