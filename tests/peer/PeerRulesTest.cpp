#include "ExportSetting.h"
#include "Exporter.h"
#include "Importer.h"
#include "MediaReader.h"

#include "QtPrinters.h"
#include "TestEnvironment.h"

#include <QFile>

#include "TestNames.h"

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
        PairingCase{"order of first files is kept", {b, aJpeg, a}, {{b}, {a, aJpeg}}}),
    [](const auto& info) { return readableTestName(info.param.what); });

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
                                           SizeCase{1024, 0.5, 1500, 1000, 750, 500}),
                         [](const auto& info) {
                             const SizeCase& c = info.param;
                             return "fit" + std::to_string(c.fitWithin) + "AtScale" +
                                    std::to_string(int(c.scale * 100)) + "From" +
                                    std::to_string(c.width) + "x" + std::to_string(c.height);
                         });

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

} // namespace
