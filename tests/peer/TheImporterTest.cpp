#include "Importer.h"

#include "QtPrinters.h"
#include "TestNames.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct PairingCase {
    const char* what;
    QStringList files;
    QList<QStringList> masters;
};

void PrintTo(const PairingCase& c, std::ostream* out)
{
    *out << c.what;
}

class TheImporter : public ::testing::TestWithParam<PairingCase> {};

TEST_P(TheImporter, pairsRawAndJpegOfOneBaseNameInOneFolder)
{
    EXPECT_EQ(Importer::groupMasters(GetParam().files), GetParam().masters) << GetParam().what;
}

const QString a = QStringLiteral("/p/IMG_1.DNG");
const QString aJpeg = QStringLiteral("/p/IMG_1.jpg");
const QString b = QStringLiteral("/p/IMG_2.CR2");
const QString bTiff = QStringLiteral("/p/IMG_2.tif");
const QString elsewhere = QStringLiteral("/q/IMG_1.JPG");

INSTANTIATE_TEST_SUITE_P(
    Files, TheImporter,
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

} // namespace
