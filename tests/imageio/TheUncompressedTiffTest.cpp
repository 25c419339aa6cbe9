#include "SampleImages.h"
#include "TestEnvironment.h"

#include "imageio/UncompressedTiff_p.h"

#include <QFile>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {
struct Layout {
    const char* name;
    int bands, bits;
};

// The scene as `bands` samples of `bits` bits (the last one alpha for 2 and
// 4 bands), 300 pixels per inch.
vips::VImage samples(const Layout& layout)
{
    vips::VImage scene = SampleImages::scene(61, 37);
    vips::VImage image = layout.bands <= 2 ? scene.extract_band(0) : scene;
    if (layout.bands == 2 || layout.bands == 4)
        image = image.bandjoin(scene.extract_band(1) * 0.5);
    const bool sixteen = layout.bits == 16;
    const VipsInterpretation interpretation =
        layout.bands <= 2 ? (sixteen ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_B_W)
                          : (sixteen ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB);
    return (image * (sixteen ? 65535.0 : 255.0))
        .cast(sixteen ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()
                  ->set("interpretation", interpretation)
                  ->set("xres", 300 / 25.4)
                  ->set("yres", 300 / 25.4));
}

QByteArray jpegOf(const vips::VImage& image)
{
    VipsBlob* blob =
        image.colourspace(image.bands() <= 2 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB)
            .jpegsave_buffer(vips::VImage::option()->set("Q", 90));
    size_t length = 0;
    const void* bytes = vips_blob_get(blob, &length);
    const QByteArray jpeg(static_cast<const char*>(bytes), qsizetype(length));
    vips_area_unref(VIPS_AREA(blob));
    return jpeg;
}

class TheUncompressedTiff : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override { m_dir = TestEnvironment::makeScratchDir("uncompressed-tiff"); }
    QByteArray path(const char* name) const { return QFile::encodeName(m_dir + "/" + name); }
    QString m_dir;
};
} // namespace

TEST_P(TheUncompressedTiff, givesThePixelsAndHeaderOfLibvipsOwnLoaderAndTheSameJpeg)
{
    const QByteArray file = path("export.tif");
    samples(GetParam()).tiffsave(file.constData());
    const vips::VImage loaded = vips::VImage::tiffload(file.constData());

    const std::optional<vips::VImage> direct = UncompressedTiff::open(file);
    ASSERT_TRUE(direct.has_value());
    EXPECT_EQ(direct->width(), loaded.width());
    EXPECT_EQ(direct->height(), loaded.height());
    EXPECT_EQ(direct->bands(), loaded.bands());
    EXPECT_EQ(direct->format(), loaded.format());
    EXPECT_EQ(direct->interpretation(), loaded.interpretation());
    EXPECT_DOUBLE_EQ(direct->xres(), loaded.xres());
    EXPECT_DOUBLE_EQ(direct->yres(), loaded.yres());
    EXPECT_EQ((*direct != loaded).bandor().max(), 0.0);
    // Resolution and all: the JPEG comes out byte for byte the same.
    EXPECT_EQ(jpegOf(*direct), jpegOf(loaded));
}

INSTANTIATE_TEST_SUITE_P(
    , TheUncompressedTiff,
    ::testing::Values(Layout{"sixteenBitRgb", 3, 16}, Layout{"eightBitRgbWithAlpha", 4, 8},
                      Layout{"eightBitGrey", 1, 8}, Layout{"sixteenBitGreyWithAlpha", 2, 16}),
    [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

TEST_F(TheUncompressedTiff, leavesCompressedTiledAndCutShortFilesToTheLoader)
{
    const vips::VImage image = samples({"", 3, 16});
    const QByteArray compressed = path("compressed.tif");
    image.tiffsave(compressed.constData(), vips::VImage::option()->set("compression", "lzw"));
    EXPECT_FALSE(UncompressedTiff::open(compressed).has_value()) << "compressed";

    const QByteArray tiled = path("tiled.tif");
    image.tiffsave(tiled.constData(), vips::VImage::option()->set("tile", true));
    EXPECT_FALSE(UncompressedTiff::open(tiled).has_value()) << "tiled";

    // Rows that run past the end of the file would fault when read.
    const QByteArray cut = path("cut.tif");
    image.tiffsave(cut.constData());
    QFile file(QFile::decodeName(cut));
    ASSERT_TRUE(file.resize(file.size() - 100));
    EXPECT_FALSE(UncompressedTiff::open(cut).has_value()) << "cut short";

    EXPECT_FALSE(UncompressedTiff::open(path("missing.tif")).has_value()) << "missing";
}

TEST_F(TheUncompressedTiff, aFileCutShortAfterOpeningFailsTheReadAndNothingElse)
{
    const QByteArray file = path("export.tif");
    samples({"", 3, 16}).tiffsave(file.constData());
    const std::optional<vips::VImage> direct = UncompressedTiff::open(file);
    ASSERT_TRUE(direct.has_value());
    QFile cut(QFile::decodeName(file));
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    EXPECT_THROW(direct->copy_memory(), vips::VError);
}
