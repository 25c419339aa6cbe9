#include "RunFixture.h"

#include "TolvaneAperture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

namespace {

class PairRun : public RunFixture {
protected:
    void runSeparation(qint64 option)
    {
        delegate.option = option;
        TolvaneAperture engine;
        engine.tolvaneRawJpg(&delegate);
    }
    /// The selected image whose master is a RAW+JPEG pair.
    QString pairId() const
    {
        for (const QString& id : m_original)
            if (version(id).value("masterFiles").toArray().size() == 2)
                return id;
        return QString();
    }
    QStringList masterNamesOf(const QJsonObject& v) const
    {
        QStringList names;
        for (const QJsonValue& m : v.value("masterFiles").toArray())
            names.append(QFileInfo(m.toObject().value("path").toString()).fileName());
        return names;
    }
    QList<QJsonObject> newImagesNamed(const QString& name) const
    {
        QList<QJsonObject> found;
        for (const QJsonObject& v : newVersions())
            if (v.value("name").toString() == name)
                found.append(v);
        return found;
    }
};

TEST_F(PairRun, separatingBothMakesTwoImagesInExportOrderEachCarryingTheOriginal)
{
    ASSERT_TRUE(startLibrary());
    const QString pair = pairId();
    ASSERT_FALSE(pair.isEmpty());
    const QJsonObject before = version(pair);
    runSeparation(2);

    EXPECT_EQ(delegate.sheets().back().title, "All Done");
    EXPECT_EQ(delegate.sheets().back().message, "Tolvane finished processing.");
    expectWindowGivenBack();
    // Only the pair makes new images; single masters are skipped.
    const QList<QJsonObject> made = newVersions();
    ASSERT_EQ(made.size(), 2);
    EXPECT_TRUE(masterNamesOf(made[0]).value(0).endsWith(".DNG"));
    EXPECT_TRUE(masterNamesOf(made[1]).value(0).endsWith(".JPG"));
    for (const QJsonObject& image : made) {
        EXPECT_EQ(image.value("name"), before.value("name"));
        EXPECT_EQ(image.value("mainRating"), before.value("mainRating"));
        EXPECT_EQ(image.value("project"), before.value("project"));
        QStringList expected = keywordNames(before);
        expected.append("Tolvane Separated");
        EXPECT_EQ(keywordNames(image), expected);
    }
    const QJsonObject after = version(pair);
    EXPECT_EQ(keywordNames(after).count("Tolvane Original"), 1);
    EXPECT_EQ(after.value("mainRating").toInt(), -1);
    // The work folder keeps nothing of the exports.
    EXPECT_EQ(workFolderEntries(), QStringList());
    // The new images join every album of the original.
    for (const QJsonValue& album : library().value("albums").toArray()) {
        const QJsonArray members = album.toObject().value("versions").toArray();
        if (!members.contains(QJsonValue(pair)))
            continue;
        for (const QJsonObject& image : made)
            EXPECT_TRUE(members.contains(image.value("id")));
    }
}

TEST_F(PairRun, extractingRawKeepsTheRawHalfOnly)
{
    ASSERT_TRUE(startLibrary());
    runSeparation(3);
    QList<QJsonObject> made = newVersions();
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(masterNamesOf(made[0]).value(0).endsWith(".DNG"));
    EXPECT_TRUE(keywordNames(made[0]).contains("Tolvane Extracted RAW"));
}

TEST_F(PairRun, extractingJpegKeepsTheJpegHalfOnly)
{
    ASSERT_TRUE(startLibrary());
    runSeparation(4);
    const QList<QJsonObject> made = newVersions();
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(masterNamesOf(made[0]).value(0).endsWith(".JPG"));
    EXPECT_TRUE(keywordNames(made[0]).contains("Tolvane Extracted JPEG"));
    EXPECT_EQ(workFolderEntries(), QStringList());
}

TEST_F(PairRun, singleMastersOfflineImagesAndFailedExportsLeaveTheirOriginalsAlone)
{
    ASSERT_TRUE(startLibrary());
    const QString pair = pairId();
    // Take the first single master offline and make the second fail to export.
    QStringList singles = m_original;
    singles.removeAll(pair);
    ASSERT_GE(singles.size(), 2);
    QFile::remove(version(singles[0])
                      .value("masterFiles")
                      .toArray()
                      .at(0)
                      .toObject()
                      .value("path")
                      .toString());
    m_session->peer().stop();
    ASSERT_TRUE(m_session->serve(m_session->library(), {"--fail-export", singles[1]}));
    runSeparation(2);

    EXPECT_EQ(log.lines().filter("Unable to export image").size(), 1);
    EXPECT_EQ(newVersions().size(), 2);
    for (const QString& id : singles) {
        EXPECT_NE(version(id).value("mainRating").toInt(), -1);
        EXPECT_FALSE(keywordNames(version(id)).contains("Tolvane Original"));
    }
    // Each image shows its own file name: the offline one shows none.
    const QString offlineName = version(singles[0]).value("name").toString();
    EXPECT_TRUE(delegate.countTexts().filter(offlineName).isEmpty());
    EXPECT_EQ(delegate.countTexts().filter(version(pair).value("name").toString()).size(), 1);
    EXPECT_EQ(workFolderEntries(), QStringList());
}

TEST_F(PairRun, whenOneHalfMakesNoImageTheOtherIsTakenOutAndTheOriginalStays)
{
    ASSERT_TRUE(startLibrary());
    const QString pair = pairId();
    // The JPEG half is damaged: it exports, but the library cannot take it in.
    for (const QJsonValue& m : version(pair).value("masterFiles").toArray()) {
        const QString path = m.toObject().value("path").toString();
        if (path.endsWith(".JPG")) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("no longer a picture");
        }
    }
    delegate.trash = true;
    runSeparation(2);
    const QJsonObject after = version(pair);
    EXPECT_NE(after.value("mainRating").toInt(), -1);
    EXPECT_FALSE(keywordNames(after).contains("Tolvane Original"));
    EXPECT_EQ(log.lines().filter("left as it was: 1 of its 2 photo files made no new image").size(),
              1);
    // The RAW half that was imported went into the trash project, which went
    // to the library's trash; the original is not in it.
    const QList<QJsonObject> made = newVersions();
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(masterNamesOf(made[0]).value(0).endsWith(".DNG"));
    EXPECT_TRUE(made[0].value("trashed").toBool());
    for (const QJsonValue& p : library().value("projects").toArray()) {
        const QJsonObject project = p.toObject();
        if (project.value("name").toString() == "TolvaneTrashedImages") {
            EXPECT_TRUE(project.value("trashed").toBool());
            EXPECT_FALSE(project.value("versions").toArray().contains(QJsonValue(pair)));
            EXPECT_TRUE(project.value("versions").toArray().contains(made[0].value("id")));
        }
    }
    EXPECT_EQ(workFolderEntries(), QStringList());
}

TEST_F(PairRun, trashOnMovesEachHandledOriginalAndDeletesTheProjectOnce)
{
    ASSERT_TRUE(startLibrary());
    const QString pair = pairId();
    delegate.trash = true;
    delegate.hide = false;
    runSeparation(4);
    int trashProjects = 0;
    for (const QJsonValue& p : library().value("projects").toArray()) {
        const QJsonObject project = p.toObject();
        if (project.value("name").toString() != "TolvaneTrashedImages")
            continue;
        ++trashProjects;
        EXPECT_TRUE(project.value("trashed").toBool());
        EXPECT_TRUE(project.value("versions").toArray().contains(QJsonValue(pair)));
    }
    EXPECT_EQ(trashProjects, 1);
    EXPECT_NE(version(pair).value("mainRating").toInt(), -1);
}

} // namespace
