#include "ApertureApplication.h"

#include "PeerSession.h"
#include "QtPrinters.h"
#include "ScriptingErrorOf.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

QJsonArray namesAndValues(const QJsonArray& tags)
{
    QJsonArray list;
    for (const QJsonValue& tag : tags)
        list.append(QJsonArray{tag[QStringLiteral("name")], tag[QStringLiteral("value")],
                               tag[QStringLiteral("type")]});
    return list;
}

class ApertureImageVersionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.start()) << qPrintable(m_session.problem());
        m_selection = m_app.selection();
        ASSERT_EQ(m_selection.size(), 4);
        m_version = m_selection.first();
    }
    QJsonObject json() const { return PeerProcess::versionIn(m_session.show(), m_version.id()); }

    PeerSession m_session;
    ApertureApplication m_app;
    QList<ApertureImageVersion> m_selection;
    ApertureImageVersion m_version;
};

TEST_F(ApertureImageVersionTest, gettersReadWhatTheLibraryHolds)
{
    const QJsonObject expected = json();
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(m_version.reference(), QStringLiteral("/version/") + m_version.id());
    EXPECT_EQ(m_version.name(), expected[QStringLiteral("name")].toString());
    EXPECT_EQ(m_version.width(), expected[QStringLiteral("width")].toInt());
    EXPECT_EQ(m_version.height(), expected[QStringLiteral("height")].toInt());
    EXPECT_TRUE(m_version.online());
    EXPECT_EQ(m_version.mainRating(), expected[QStringLiteral("mainRating")].toInt());
    EXPECT_EQ(m_version.flagged(), expected[QStringLiteral("flagged")].toBool());
    EXPECT_DOUBLE_EQ(m_version.latitude(), expected[QStringLiteral("latitude")].toDouble());
    EXPECT_DOUBLE_EQ(m_version.longitude(), expected[QStringLiteral("longitude")].toDouble());
    const QVariantMap properties = m_version.properties();
    EXPECT_EQ(properties.value(QStringLiteral("id")).toString(), m_version.id());
    EXPECT_EQ(properties.value(QStringLiteral("project")).toString(),
              QStringLiteral("Sample Project 1"));

    QJsonArray exif;
    for (const ApertureTag& tag : m_version.exifTags()) {
        const QVariant value = tag.value();
        const QJsonValue shown = value.metaType().id() == QMetaType::QDateTime
                                     ? QJsonValue(value.toDateTime().toString(Qt::ISODateWithMs))
                                     : QJsonValue::fromVariant(value);
        exif.append(
            QJsonArray{tag.name(), shown,
                       expected[QStringLiteral("EXIFTags")][exif.size()][QStringLiteral("type")]});
    }
    EXPECT_EQ(exif, namesAndValues(expected[QStringLiteral("EXIFTags")].toArray()));
    QStringList keywords;
    for (const ApertureKeyword& keyword : m_version.keywords())
        keywords.append(keyword.name());
    QStringList expectedKeywords;
    for (const QJsonValue& keyword : expected[QStringLiteral("keywords")].toArray())
        expectedKeywords.append(keyword[QStringLiteral("name")].toString());
    EXPECT_EQ(keywords, expectedKeywords);
    EXPECT_EQ(m_version.otherTagNamed(QStringLiteral("FileSize")).value().toLongLong(),
              expected[QStringLiteral("otherTags")][1][QStringLiteral("value")].toInteger());
}

TEST_F(ApertureImageVersionTest, settersChangeTheLibrary)
{
    m_version.setName(QStringLiteral("Harbour at dusk"));
    m_version.setMainRating(-1);
    m_version.setFlagged(true);
    m_version.setLatitude(-33.8568);
    m_version.setLongitude(151.2153);
    const QJsonObject changed = json();
    EXPECT_EQ(changed[QStringLiteral("name")].toString(), QStringLiteral("Harbour at dusk"));
    EXPECT_EQ(changed[QStringLiteral("mainRating")].toInt(), -1);
    EXPECT_TRUE(changed[QStringLiteral("flagged")].toBool());
    EXPECT_DOUBLE_EQ(changed[QStringLiteral("latitude")].toDouble(), -33.8568);
    EXPECT_DOUBLE_EQ(changed[QStringLiteral("longitude")].toDouble(), 151.2153);
    EXPECT_EQ(scriptingErrorOf([&] { m_version.setMainRating(6); }).name(),
              QStringLiteral("org.photolib.Error.InvalidArgument"));
    EXPECT_EQ(scriptingErrorOf([&] { m_version.setLatitude(91); }).name(),
              QStringLiteral("org.photolib.Error.InvalidArgument"));
    EXPECT_EQ(json()[QStringLiteral("mainRating")].toInt(), -1);
}

TEST_F(ApertureImageVersionTest, keywordsAndTagsAreAddedInOrder)
{
    const int before = m_version.keywords().size();
    const ApertureKeyword keyword =
        m_version.addKeyword(QStringLiteral("Processed"), QStringLiteral("Tolvane\tWork"));
    m_version.addKeyword(QStringLiteral("Processed"), QStringLiteral("Tolvane\tWork"));
    EXPECT_EQ(keyword.name(), QStringLiteral("Processed"));
    EXPECT_EQ(keyword.parents(), QStringLiteral("Tolvane\tWork"));
    ASSERT_EQ(m_version.keywords().size(), before + 1) << "the same keyword twice is one keyword";
    EXPECT_EQ(m_version.keywords().last(), keyword);

    const QDateTime when(QDate(2020, 5, 17), QTime(9, 30), Qt::UTC);
    m_version.addCustomTag(QStringLiteral("Shot"), when);
    m_version.addCustomTag(QStringLiteral("Roll"), 12);
    m_version.addCustomTag(QStringLiteral("Note"), QStringLiteral("first"));
    const ApertureTag note =
        m_version.addCustomTag(QStringLiteral("Note"), QStringLiteral("second"));
    m_version.addIptcTag(QStringLiteral("Headline"), QStringLiteral("Boats"));

    const QJsonObject changed = json();
    EXPECT_EQ(
        namesAndValues(changed[QStringLiteral("customTags")].toArray()),
        (QJsonArray{
            QJsonArray{QStringLiteral("Shot"), QStringLiteral("2020-05-17T09:30:00.000Z"),
                       QStringLiteral("date")},
            QJsonArray{QStringLiteral("Roll"), 12, QStringLiteral("integer")},
            QJsonArray{QStringLiteral("Note"), QStringLiteral("second"), QStringLiteral("text")}}));
    EXPECT_EQ(note.value().toString(), QStringLiteral("second"));
    EXPECT_EQ(m_version.customTags().first().value().toDateTime(), when);
    EXPECT_EQ(m_version.iptcTags().last().name(), QStringLiteral("Headline"));
    EXPECT_EQ(
        changed[QStringLiteral("keywords")].toArray().last()[QStringLiteral("parents")].toString(),
        QStringLiteral("Tolvane\tWork"));
}

TEST_F(ApertureImageVersionTest, theMasterProjectTagIsTheProjectToImportInto)
{
    const ApertureTag tag = m_version.otherTagNamed(QStringLiteral("MasterProject"));
    const ApertureProject project = tag.projectValue();
    EXPECT_EQ(project, m_app.libraries().first().projects().first());
    EXPECT_EQ(project.name(), QStringLiteral("Sample Project 1"));
    EXPECT_EQ(scriptingErrorOf([&] {
                  m_version.otherTagNamed(QStringLiteral("FileName")).projectValue();
              }).name(),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidSignature"));
    EXPECT_EQ(scriptingErrorOf([&] { m_version.otherTagNamed(QStringLiteral("Colour")); }).name(),
              QStringLiteral("org.photolib.Error.NoSuchElement"));
    QStringList names;
    for (const ApertureTag& other : m_version.otherTags())
        names.append(other.name());
    EXPECT_EQ(names, (QStringList{QStringLiteral("FileName"), QStringLiteral("FileSize"),
                                  QStringLiteral("MasterProject")}));
}

TEST_F(ApertureImageVersionTest, duplicateToAddsToTheAlbumOnce)
{
    const ApertureAlbum album = m_app.albums().first();
    const QList<ApertureImageVersion> members = album.imageVersions();
    ApertureImageVersion outsider;
    for (const ApertureImageVersion& version : m_selection)
        if (!members.contains(version))
            outsider = version;
    ASSERT_FALSE(outsider.isNull());
    outsider.duplicateTo(album);
    outsider.duplicateTo(album);
    EXPECT_EQ(album.imageVersions(), members + QList<ApertureImageVersion>{outsider});
}

TEST_F(ApertureImageVersionTest, moveToTakesTheWholeStackIntoTheProject)
{
    int status = -1;
    PeerProcess::run(
        {QStringLiteral("stack"), m_session.library(), m_selection[0].id(), m_selection[2].id()},
        &status);
    ASSERT_EQ(status, 0);
    const ApertureProject trash =
        m_app.libraries().first().makeProject(QStringLiteral("TolvaneTrashedImages"));
    EXPECT_TRUE(trash.imageVersions().isEmpty());
    m_selection[0].moveTo(trash);
    EXPECT_EQ(trash.imageVersions(), (QList<ApertureImageVersion>{m_selection[0], m_selection[2]}));
    EXPECT_EQ(m_selection[2].otherTagNamed(QStringLiteral("MasterProject")).projectValue(), trash);
    m_selection[1].moveTo(trash);
    EXPECT_EQ(trash.imageVersions().size(), 3);

    trash.deleteProject();
    EXPECT_EQ(m_app.selection(), QList<ApertureImageVersion>{m_selection[3]});
    EXPECT_EQ(scriptingErrorOf([&] { trash.name(); }).name(),
              QStringLiteral("org.photolib.Error.NoSuchObject"));
}

TEST_F(ApertureImageVersionTest, handlesAreValuesComparedByReference)
{
    const ApertureImageVersion copy = m_version;
    EXPECT_EQ(copy, m_version);
    EXPECT_EQ(m_app.selection().first(), m_version) << "the same object from another call";
    EXPECT_NE(m_selection[1], m_version);
    const ApertureImageVersion none;
    EXPECT_TRUE(none.isNull());
    EXPECT_EQ(scriptingErrorOf([&] { none.name(); }).name(),
              QStringLiteral("org.freedesktop.DBus.Error.Disconnected"));
    const ApertureImageVersion dangling(m_version.connection(), QStringLiteral("/version/Gone"));
    EXPECT_EQ(scriptingErrorOf([&] { dangling.name(); }).name(),
              QStringLiteral("org.photolib.Error.NoSuchObject"));
}

} // namespace
