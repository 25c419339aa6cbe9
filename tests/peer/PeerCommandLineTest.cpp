#include "PeerProcess.h"
#include "QtPrinters.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

QString newLibraryPath(const QString& name = QStringLiteral("Test"))
{
    return TestEnvironment::makeScratchDir(QStringLiteral("cli")) + QLatin1Char('/') + name +
           QStringLiteral(".aplibrary");
}

int photolib(const QStringList& arguments, QString* errors = nullptr, QByteArray* output = nullptr)
{
    int status = -1;
    const QByteArray out = PeerProcess::run(arguments, &status, errors);
    if (output)
        *output = out;
    return status;
}

/// Sample masters written into `folder` (referenced by a throw-away library):
/// IMG_0001.DNG alone and IMG_0002.DNG with IMG_0002.JPG.
void writeSampleFiles(const QString& folder)
{
    ASSERT_TRUE(PeerProcess::makeSample(newLibraryPath(QStringLiteral("Source")),
                                        {QStringLiteral("--count"), QStringLiteral("2"),
                                         QStringLiteral("--pairs"), QStringLiteral("1"),
                                         QStringLiteral("--max-megapixels"), QStringLiteral("0.2"),
                                         QStringLiteral("--reference-dir"), folder}));
}

TEST(PeerCommandLine, aFolderThatIsNotALibraryIsRefusedByEveryCommand)
{
    const QString folder = TestEnvironment::makeScratchDir(QStringLiteral("plain.aplibrary"));
    for (const QStringList& command :
         {QStringList{QStringLiteral("show"), folder},
          QStringList{QStringLiteral("select"), folder, QStringLiteral("--all")},
          QStringList{QStringLiteral("serve"), folder, QStringLiteral("--bus-name"),
                      QStringLiteral("org.photolib.Nowhere")},
          QStringList{QStringLiteral("empty-trash"), folder}}) {
        QString errors;
        EXPECT_EQ(photolib(command, &errors), 1) << qPrintable(command.join(QLatin1Char(' ')));
        EXPECT_TRUE(errors.contains(QLatin1String("NotALibrary"))) << qPrintable(errors);
    }
    // A database file that is not SQLite is no library either.
    QDir().mkpath(folder + QStringLiteral("/Database"));
    QFile junk(folder + QStringLiteral("/Database/Library.apdb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    QString errors;
    EXPECT_EQ(photolib({QStringLiteral("show"), folder}, &errors), 1);
    EXPECT_TRUE(errors.contains(QLatin1String("NotALibrary"))) << qPrintable(errors);
}

TEST(PeerCommandLine, importPairsRawWithJpegReadsMetadataAndSkipsWhatIsNoImage)
{
    const QString files = TestEnvironment::makeScratchDir(QStringLiteral("files"));
    writeSampleFiles(files);
    QFile notes(files + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();
    ASSERT_TRUE(
        QFile::copy(files + QStringLiteral("/notes.txt"), files + QStringLiteral("/broken.jpg")));

    const QString library = newLibraryPath();
    ASSERT_EQ(photolib({QStringLiteral("create"), library}), 0);
    QString errors;
    QByteArray output;
    EXPECT_EQ(photolib({QStringLiteral("import"), library, files, QStringLiteral("--project"),
                        QStringLiteral("Trip"), QStringLiteral("--reference")},
                       &errors, &output),
              1)
        << "broken.jpg fails";
    EXPECT_TRUE(errors.contains(QLatin1String("broken.jpg"))) << qPrintable(errors);
    EXPECT_TRUE(errors.contains(QLatin1String("notes.txt"))) << qPrintable(errors);
    EXPECT_EQ(QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 2);

    const QJsonObject json = PeerProcess::show(library);
    const QJsonArray versions = json[QStringLiteral("versions")].toArray();
    ASSERT_EQ(versions.size(), 2);
    const QJsonObject single = versions[0].toObject();
    const QJsonObject pair = versions[1].toObject();
    EXPECT_EQ(single[QStringLiteral("name")].toString(), QStringLiteral("IMG_0001"));
    ASSERT_EQ(pair[QStringLiteral("masterFiles")].toArray().size(), 2);
    EXPECT_EQ(pair[QStringLiteral("masterFiles")][0][QStringLiteral("kind")].toString(),
              QStringLiteral("raw"));
    EXPECT_EQ(pair[QStringLiteral("masterFiles")][1][QStringLiteral("kind")].toString(),
              QStringLiteral("jpeg"));
    EXPECT_EQ(pair[QStringLiteral("masterFiles")][1][QStringLiteral("path")].toString(),
              files + QStringLiteral("/IMG_0002.JPG"));
    EXPECT_TRUE(pair[QStringLiteral("masterFiles")][0][QStringLiteral("referenced")].toBool());
    EXPECT_EQ(pair[QStringLiteral("otherTags")][1][QStringLiteral("value")].toInteger(),
              QFileInfo(files + QStringLiteral("/IMG_0002.DNG")).size() +
                  QFileInfo(files + QStringLiteral("/IMG_0002.JPG")).size());

    // What the file says: pixel size, date, camera, IPTC fields.
    EXPECT_EQ(single[QStringLiteral("masterWidth")].toInt() % 2, 0);
    QStringList exifNames;
    for (const QJsonValue& tag : single[QStringLiteral("EXIFTags")].toArray())
        exifNames.append(tag[QStringLiteral("name")].toString());
    EXPECT_TRUE(exifNames.contains(QStringLiteral("ImageDate")));
    EXPECT_TRUE(exifNames.contains(QStringLiteral("Model")));
    EXPECT_EQ(single[QStringLiteral("EXIFTags")][0][QStringLiteral("type")].toString(),
              QStringLiteral("date"));
    EXPECT_EQ(single[QStringLiteral("IPTCTags")][0][QStringLiteral("name")].toString(),
              QStringLiteral("Caption"));
    EXPECT_EQ(json[QStringLiteral("projects")][0][QStringLiteral("name")].toString(),
              QStringLiteral("Trip"));
    EXPECT_TRUE(QFileInfo::exists(files + QStringLiteral("/IMG_0001.DNG")));

    // Without --reference the masters move into the library.
    const QString managed = newLibraryPath(QStringLiteral("Managed"));
    ASSERT_EQ(photolib({QStringLiteral("create"), managed}), 0);
    photolib({QStringLiteral("import"), managed, files, QStringLiteral("--project"),
              QStringLiteral("Trip")});
    EXPECT_FALSE(QFileInfo::exists(files + QStringLiteral("/IMG_0001.DNG")));
    EXPECT_FALSE(QFileInfo::exists(files + QStringLiteral("/IMG_0002.JPG")));
    EXPECT_TRUE(QFileInfo::exists(files + QStringLiteral("/broken.jpg")));
    const QJsonObject moved = PeerProcess::show(managed);
    ASSERT_EQ(moved[QStringLiteral("versions")].toArray().size(), 2);
    const QString movedPath = moved[QStringLiteral("versions")][1][QStringLiteral("masterFiles")][1]
                                   [QStringLiteral("path")]
                                       .toString();
    EXPECT_TRUE(movedPath.startsWith(managed + QStringLiteral("/Masters/")));
    EXPECT_TRUE(QFileInfo(movedPath).isFile());
}

} // namespace
