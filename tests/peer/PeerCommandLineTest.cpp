#include "PeerProcess.h"
#include "QtPrinters.h"
#include "TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

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

QByteArray digest(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

/// The document without the paths that name where the library lies.
QJsonValue withoutPaths(const QJsonValue& value)
{
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& item : value.toArray())
            array.append(withoutPaths(item));
        return array;
    }
    if (!value.isObject())
        return value;
    QJsonObject object = value.toObject();
    object.remove(QStringLiteral("path"));
    for (auto it = object.begin(); it != object.end(); ++it)
        it.value() = withoutPaths(it.value());
    return object;
}

TEST(PeerCommandLine, createMakesAnEmptyLibraryAndRefusesWhatItCannotMake)
{
    const QString library = newLibraryPath();
    ASSERT_EQ(photolib({QStringLiteral("create"), library}), 0);
    EXPECT_TRUE(QFileInfo(library + QStringLiteral("/Database/Library.apdb")).isFile());
    EXPECT_TRUE(QFileInfo(library + QStringLiteral("/Masters")).isDir());
    const QJsonObject json = PeerProcess::show(library);
    EXPECT_EQ(json[QStringLiteral("schemaVersion")].toInt(), 1);
    EXPECT_TRUE(json[QStringLiteral("versions")].toArray().isEmpty());
    EXPECT_EQ(json[QStringLiteral("name")].toString(), QStringLiteral("Test"));

    QString errors;
    EXPECT_EQ(photolib({QStringLiteral("create"), library}, &errors), 1);
    EXPECT_TRUE(errors.contains(QLatin1String("AlreadyExists"))) << qPrintable(errors);
    EXPECT_EQ(photolib({QStringLiteral("create"), library.chopped(10)}, &errors), 1);
    EXPECT_TRUE(errors.contains(QLatin1String(".aplibrary"))) << qPrintable(errors);
    EXPECT_EQ(photolib({QStringLiteral("frobnicate")}), 2);
    QByteArray usage;
    EXPECT_EQ(photolib({QStringLiteral("--help")}, nullptr, &usage), 0);
    EXPECT_TRUE(usage.contains("photolib serve LIB"));
    EXPECT_EQ(photolib({QStringLiteral("create")}), 2);
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

TEST(PeerCommandLine, albumsSelectionStacksAndAdjustmentsChangeTheLibrary)
{
    const QString library = newLibraryPath();
    ASSERT_TRUE(PeerProcess::makeSample(
        library, {QStringLiteral("--count"), QStringLiteral("4"), QStringLiteral("--albums"),
                  QStringLiteral("0"), QStringLiteral("--max-megapixels"), QStringLiteral("0.1")}));
    const QStringList ids =
        PeerProcess::idsIn(PeerProcess::show(library), QStringLiteral("selection"));
    ASSERT_EQ(ids.size(), 4);

    ASSERT_EQ(photolib({QStringLiteral("album"), library, QStringLiteral("Trip"), ids[2], ids[0]}),
              0);
    ASSERT_EQ(photolib({QStringLiteral("album"), library, QStringLiteral("Trip"), ids[0], ids[1]}),
              0);
    ASSERT_EQ(photolib({QStringLiteral("select"), library, ids[3], ids[1]}), 0);
    ASSERT_EQ(photolib({QStringLiteral("stack"), library, ids[0], ids[2]}), 0);
    const QJsonObject original = PeerProcess::versionIn(PeerProcess::show(library), ids[1]);
    ASSERT_EQ(
        photolib({QStringLiteral("adjust"), library, ids[1], QStringLiteral("--exposure"),
                  QStringLiteral("1.5"), QStringLiteral("--rotation"), QStringLiteral("-90")}),
        0);
    EXPECT_EQ(photolib({QStringLiteral("adjust"), library, ids[1], QStringLiteral("--rotation"),
                        QStringLiteral("45")}),
              2);
    EXPECT_EQ(photolib({QStringLiteral("album"), library, QStringLiteral("Trip"),
                        QStringLiteral("Nope")}),
              1);

    const QJsonObject json = PeerProcess::show(library);
    ASSERT_EQ(json[QStringLiteral("albums")].toArray().size(), 1);
    EXPECT_EQ(PeerProcess::idsIn(json[QStringLiteral("albums")][0].toObject(),
                                 QStringLiteral("versions")),
              (QStringList{ids[2], ids[0], ids[1]}));
    EXPECT_EQ(PeerProcess::idsIn(json, QStringLiteral("selection")), (QStringList{ids[3], ids[1]}));
    const QJsonObject first = PeerProcess::versionIn(json, ids[0]);
    EXPECT_FALSE(first[QStringLiteral("stack")].isNull());
    EXPECT_EQ(first[QStringLiteral("stack")],
              PeerProcess::versionIn(json, ids[2])[QStringLiteral("stack")]);
    EXPECT_TRUE(PeerProcess::versionIn(json, ids[3])[QStringLiteral("stack")].isNull());
    const QJsonObject adjusted = PeerProcess::versionIn(json, ids[1]);
    EXPECT_EQ(adjusted[QStringLiteral("exposure")].toDouble(), 1.5);
    EXPECT_EQ(adjusted[QStringLiteral("rotation")].toInt(), 270);
    EXPECT_EQ(adjusted[QStringLiteral("width")], original[QStringLiteral("height")]);
    EXPECT_EQ(adjusted[QStringLiteral("height")], original[QStringLiteral("width")]);

    ASSERT_EQ(photolib({QStringLiteral("select"), library, QStringLiteral("--album"),
                        QStringLiteral("Trip")}),
              0);
    EXPECT_EQ(PeerProcess::idsIn(PeerProcess::show(library), QStringLiteral("selection")),
              (QStringList{ids[2], ids[0], ids[1]}));
    ASSERT_EQ(photolib({QStringLiteral("select"), library, QStringLiteral("--none")}), 0);
    EXPECT_TRUE(
        PeerProcess::idsIn(PeerProcess::show(library), QStringLiteral("selection")).isEmpty());
    ASSERT_EQ(photolib({QStringLiteral("select"), library, QStringLiteral("--all")}), 0);
    EXPECT_EQ(PeerProcess::idsIn(PeerProcess::show(library), QStringLiteral("selection")), ids);
}

TEST(PeerCommandLine, aSampleIsTheSameForTheSameSeed)
{
    const QStringList options = {QStringLiteral("--seed"),           QStringLiteral("5"),
                                 QStringLiteral("--count"),          QStringLiteral("3"),
                                 QStringLiteral("--pairs"),          QStringLiteral("1"),
                                 QStringLiteral("--max-megapixels"), QStringLiteral("0.2")};
    const QString one = newLibraryPath(QStringLiteral("One"));
    const QString two = newLibraryPath(QStringLiteral("Two"));
    const QString other = newLibraryPath(QStringLiteral("Other"));
    ASSERT_TRUE(PeerProcess::makeSample(one, options));
    ASSERT_TRUE(PeerProcess::makeSample(two, options));
    QStringList otherOptions = options;
    otherOptions[1] = QStringLiteral("6");
    ASSERT_TRUE(PeerProcess::makeSample(other, otherOptions));

    QJsonObject first = PeerProcess::show(one);
    QJsonObject second = PeerProcess::show(two);
    first.remove(QStringLiteral("name"));
    second.remove(QStringLiteral("name"));
    EXPECT_EQ(withoutPaths(first), withoutPaths(second));
    const QJsonArray versions = first[QStringLiteral("versions")].toArray();
    ASSERT_EQ(versions.size(), 3);
    const QString firstMaster =
        versions[0][QStringLiteral("masterFiles")][0][QStringLiteral("path")].toString();
    EXPECT_EQ(digest(firstMaster), digest(QString(firstMaster).replace(one, two)));
    EXPECT_NE(PeerProcess::idsIn(PeerProcess::show(other), QStringLiteral("selection")),
              PeerProcess::idsIn(first, QStringLiteral("selection")));
}

} // namespace
