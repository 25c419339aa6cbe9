#include "ExportSetting.h"
#include "Exporter.h"
#include "Importer.h"
#include "MediaReader.h"
#include "ScriptingObject.h"

#include "QtPrinters.h"
#include "TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct PairingCase {
    const char* what;
    QStringList files;
    QList<QStringList> masters;
};

class ImporterPairing : public ::testing::TestWithParam<PairingCase> {};

TEST_P(ImporterPairing, pairsRawAndJpegOfOneBaseNameInOneFolder)
{
    EXPECT_EQ(Importer::groupMasters(GetParam().files), GetParam().masters) << GetParam().what;
}

const QString a = QStringLiteral("/p/IMG_1.DNG");
const QString aJpeg = QStringLiteral("/p/IMG_1.jpg");
const QString b = QStringLiteral("/p/IMG_2.CR2");
const QString bTiff = QStringLiteral("/p/IMG_2.tif");
const QString elsewhere = QStringLiteral("/q/IMG_1.JPG");

INSTANTIATE_TEST_SUITE_P(
    Files, ImporterPairing,
    ::testing::Values(
        PairingCase{"a RAW then its JPEG", {a, aJpeg}, {{a, aJpeg}}},
        PairingCase{"the JPEG first still makes RAW, JPEG", {aJpeg, a}, {{a, aJpeg}}},
        PairingCase{"a JPEG in another folder stays alone", {a, elsewhere}, {{a}, {elsewhere}}},
        PairingCase{"a TIFF is no partner", {b, bTiff}, {{b}, {bTiff}}},
        PairingCase{"two RAWs of one name stay apart",
                    {a, QStringLiteral("/p/IMG_1.NEF")},
                    {{a}, {QStringLiteral("/p/IMG_1.NEF")}}},
        PairingCase{"a third file of the name is a master of its own",
                    {a, aJpeg, QStringLiteral("/p/img_1.jpeg")},
                    {{a, aJpeg}, {QStringLiteral("/p/img_1.jpeg")}}},
        PairingCase{"order of first files is kept", {b, aJpeg, a}, {{b}, {a, aJpeg}}}));

struct PathCase {
    const char* path;
    bool valid;
    ScriptingObject::Kind kind;
};

class ScriptingObjectPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(ScriptingObjectPaths, parseOnlyTheObjectFormsAndGiveThemBack)
{
    const auto object = ScriptingObject::parse(QLatin1String(GetParam().path));
    ASSERT_EQ(object.has_value(), GetParam().valid) << GetParam().path;
    if (!object)
        return;
    EXPECT_EQ(object->kind(), GetParam().kind) << GetParam().path;
    EXPECT_EQ(object->path(), QLatin1String(GetParam().path));
}

using Kind = ScriptingObject::Kind;
INSTANTIATE_TEST_SUITE_P(
    Paths, ScriptingObjectPaths,
    ::testing::Values(
        PathCase{"/", true, Kind::None}, PathCase{"/application", true, Kind::Application},
        PathCase{"/library/1", true, Kind::Library}, PathCase{"/project/12", true, Kind::Project},
        PathCase{"/album/3", true, Kind::Album},
        PathCase{"/exportsetting/5", true, Kind::ExportSetting},
        PathCase{"/version/Ab3xYz", true, Kind::Version},
        PathCase{"/version/Ab3xYz/other/FileSize", true, Kind::OtherTag},
        PathCase{"/keyword/7", true, Kind::Keyword}, PathCase{"/tag/9", true, Kind::Tag},
        PathCase{"/project/012", false, Kind::None}, PathCase{"/project/x", false, Kind::None},
        PathCase{"/project/0", false, Kind::None}, PathCase{"/version", false, Kind::None},
        PathCase{"/version/a/other", false, Kind::None}, PathCase{"/folder/1", false, Kind::None},
        PathCase{"/project/1/extra", false, Kind::None}));

struct SizeCase {
    int fitWithin;
    double scale;
    int width, height;
    int expectedWidth, expectedHeight;
};

class ExportSettingSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ExportSettingSizes, fitWithoutEverEnlarging)
{
    const SizeCase& c = GetParam();
    const ExportSetting setting(QStringLiteral("s"), ExportSetting::Format::Jpeg, 8, c.fitWithin,
                                c.scale);
    EXPECT_EQ(setting.outputSize(c.width, c.height), qMakePair(c.expectedWidth, c.expectedHeight));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ExportSettingSizes,
                         ::testing::Values(SizeCase{0, 1.0, 6000, 4000, 6000, 4000},
                                           SizeCase{1024, 1.0, 6000, 4000, 1024, 683},
                                           SizeCase{1024, 1.0, 4000, 6000, 683, 1024},
                                           SizeCase{1024, 1.0, 800, 600, 800, 600},
                                           SizeCase{0, 0.5, 3001, 2001, 1501, 1001},
                                           SizeCase{1024, 0.5, 1500, 1000, 750, 500}));

TEST(ExportSettingOffered, theTiffSettingIsStockMissingOrAlteredUnderItsName)
{
    const QString tiff16 = QStringLiteral("TIFF - Original Size (16-bit)");
    const auto find = [&](ServeOptions::TiffSetting kind) -> std::optional<ExportSetting> {
        for (const ExportSetting& setting : ExportSetting::offered(kind))
            if (setting.name() == tiff16)
                return setting;
        return std::nullopt;
    };
    ASSERT_TRUE(find(ServeOptions::TiffSetting::Stock));
    EXPECT_EQ(find(ServeOptions::TiffSetting::Stock)->depth(), 16);
    EXPECT_EQ(find(ServeOptions::TiffSetting::Stock)->format(), ExportSetting::Format::Tiff);
    EXPECT_FALSE(find(ServeOptions::TiffSetting::Missing));
    EXPECT_EQ(find(ServeOptions::TiffSetting::EightBit)->depth(), 8);
    EXPECT_EQ(find(ServeOptions::TiffSetting::HalfSize)->outputSize(100, 50), qMakePair(50, 25));
    EXPECT_EQ(find(ServeOptions::TiffSetting::Jpeg)->format(), ExportSetting::Format::Jpeg);
}

TEST(MediaReaderDates, readExifDateTimesAsUtcAndRefuseTheRest)
{
    EXPECT_EQ(MediaReader::parseExifDate(QStringLiteral("2021:06:05 14:03:22")),
              QDateTime(QDate(2021, 6, 5), QTime(14, 3, 22), Qt::UTC));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("0000:00:00 00:00:00")));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("2021-06-05 14:03:22")));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("2021:06:05")));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("yesterday")));
    EXPECT_EQ(MediaReader::formatExifDate(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC)),
              QStringLiteral("2001:02:03 04:05:06"));
}

TEST(MediaReaderKinds, comeFromTheExtensionInAnyCase)
{
    EXPECT_EQ(MediaReader::kindForPath(QStringLiteral("a/IMG.DNG")), QStringLiteral("raw"));
    EXPECT_EQ(MediaReader::kindForPath(QStringLiteral("IMG.cr2")), QStringLiteral("raw"));
    EXPECT_EQ(MediaReader::kindForPath(QStringLiteral("IMG.JPEG")), QStringLiteral("jpeg"));
    EXPECT_EQ(MediaReader::kindForPath(QStringLiteral("IMG.Tif")), QStringLiteral("tiff"));
    EXPECT_EQ(MediaReader::kindForPath(QStringLiteral("IMG.png")), QStringLiteral("png"));
    EXPECT_EQ(MediaReader::kindForPath(QStringLiteral("notes.txt")), QString());
    EXPECT_EQ(MediaReader::kindForPath(QStringLiteral("IMG")), QString());
}

TEST(ExporterNames, takeTheFirstBaseFreeForEveryExtension)
{
    const QString folder = TestEnvironment::makeScratchDir(QStringLiteral("names"));
    const auto touch = [&](const QString& name) {
        QFile file(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    const QStringList pair = {QStringLiteral(".DNG"), QStringLiteral(".JPG"),
                              QStringLiteral(".XMP")};
    EXPECT_EQ(Exporter::uniqueBase(folder, QStringLiteral("IMG"), pair), QStringLiteral("IMG"));
    touch(QStringLiteral("IMG.XMP"));
    EXPECT_EQ(Exporter::uniqueBase(folder, QStringLiteral("IMG"), pair), QStringLiteral("IMG (1)"));
    touch(QStringLiteral("IMG (1).JPG"));
    EXPECT_EQ(Exporter::uniqueBase(folder, QStringLiteral("IMG"), pair), QStringLiteral("IMG (2)"));
    EXPECT_EQ(Exporter::uniqueBase(folder, QStringLiteral("IMG"), {QStringLiteral(".tif")}),
              QStringLiteral("IMG"));
}

} // namespace
