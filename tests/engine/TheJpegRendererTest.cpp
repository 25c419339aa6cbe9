#include "JpegRenderer.h"
#include "SampleImages.h"
#include "TestEnvironment.h"

#include "core/SystemLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {
const char* const kFinalizeFailed = "***Could not create data from image destination ***";

OutputSizeRule::Settings scale(float factor)
{
    OutputSizeRule::Settings settings;
    settings.scaleFactor = factor;
    return settings;
}

OutputSizeRule::Settings longSide(qint64 pixels)
{
    OutputSizeRule::Settings settings;
    settings.fixedSize = true;
    settings.longSize = pixels;
    settings.longLocked = true;
    return settings;
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

class TheJpegRenderer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = TestEnvironment::makeScratchDir("render");
        m_source = m_dir + "/export.tif";
        ASSERT_TRUE(SampleImages::writeTiff(m_source, SampleImages::scene(600, 400), 16));
    }

    JpegRenderer renderer(QList<double> screens = {})
    {
        return JpegRenderer([this](const QString& status) { m_statuses.append(status); },
                            [screens] { return screens; });
    }

    // Rendering that must fail: no file left behind, a reason given.
    void expectFailure(const QString& source, const QString& output, const QStringList& statuses)
    {
        const QStringList before = entries(m_dir);
        const Result<qint64> jpeg = renderer().render(source, output, scale(0.5f), 0.8);
        EXPECT_FALSE(jpeg.ok());
        EXPECT_FALSE(jpeg.error().isEmpty());
        EXPECT_EQ(entries(m_dir), before);
        EXPECT_FALSE(QFileInfo(output).isFile());
        EXPECT_EQ(m_statuses, statuses);
    }

    QString m_dir;
    QString m_source;
    QStringList m_statuses;
};

// Runs in a child process with a small file-size limit: the JPEG cannot be
// written whole. Then, with the limit lifted, the same rendering succeeds.
[[noreturn]] void renderUnderFileSizeLimit(const QString& dir, const QString& source)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);

    const QString output = dir + "/export.jpg";
    JpegRenderer renderer([](const QString&) {}, [] { return QList<double>(); });
    const Result<qint64> full = renderer.render(source, output, scale(0.5f), 0.9);
    const bool failedCleanly = !full.ok() && full.error().startsWith("Could not write") &&
                               entries(dir) == QStringList{QStringLiteral("export.tif")};

    setrlimit(RLIMIT_FSIZE, &original);
    const Result<qint64> roomy = renderer.render(source, output, scale(0.5f), 0.9);
    const bool thenWritten = roomy.ok() && *roomy > 4096 && QFileInfo(output).size() == *roomy;
    std::fprintf(stderr, "failedCleanly=%d thenWritten=%d\n", failedCleanly, thenWritten);
    std::_Exit(failedCleanly && thenWritten ? 0 : 1);
}
} // namespace

TEST_F(TheJpegRenderer, writesTheJpegAtTheRuleSizeWithMetadataButNoIptcNorXmp)
{
    const QString output = m_dir + "/export.jpg";
    const Result<qint64> written = renderer().render(m_source, output, longSide(200), 0.8);

    ASSERT_TRUE(written.ok());
    EXPECT_EQ(m_statuses, QStringList({"Converting", "Importing"}));
    EXPECT_EQ(QFileInfo(output).size(), *written);
    EXPECT_EQ(entries(m_dir), QStringList({"export.jpg", "export.tif"}));
    const vips::VImage pixels = SampleImages::decodeFile(output);
    EXPECT_EQ(pixels.width(), 200);
    EXPECT_EQ(pixels.height(), 133);

    Exiv2::Image::AutoPtr jpeg = Exiv2::ImageFactory::open(output.toStdString());
    jpeg->readMetadata();
    const Exiv2::ExifData& exif = jpeg->exifData();
    EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Image.Make"))->toString(), SampleImages::kMake);
    EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension"))->toLong(), 200);
    EXPECT_NE(exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude")), exif.end());
    EXPECT_TRUE(jpeg->iccProfileDefined());
    // Keywords, title and rating reach the new image by propagation alone.
    EXPECT_TRUE(jpeg->iptcData().empty());
    EXPECT_EQ(jpeg->xmpPacket().find(SampleImages::kTitle), std::string::npos);
    EXPECT_TRUE(jpeg->xmpData().empty());
}

TEST_F(TheJpegRenderer, keepsTheMeanBrightnessOfTheSixteenBitExport)
{
    const double expected = SampleImages::mean(m_source) / 257.0;
    ASSERT_TRUE(renderer().render(m_source, m_dir + "/mean.jpg", scale(0.75f), 0.9).ok());
    EXPECT_NEAR(SampleImages::decodeFile(m_dir + "/mean.jpg").avg(), expected, 0.5);
}

TEST_F(TheJpegRenderer, sourceThatDoesNotOpenFailsWithoutALogLine)
{
    QFile text(m_dir + "/notes.tif");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no image here");
    text.close();
    SystemLog::Capture log;
    expectFailure(m_dir + "/notes.tif", m_dir + "/notes.jpg", {"Converting"});
    m_statuses.clear();
    expectFailure(m_dir + "/missing.tif", m_dir + "/missing.jpg", {"Converting"});
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(TheJpegRenderer, sourceThatOpensButDoesNotDecodeFails)
{
    ASSERT_TRUE(SampleImages::writeDamagedTiff(m_dir + "/damaged.tif"));
    ASSERT_TRUE(SampleImages::writeFakeDng(m_dir + "/fake.dng"));
    SystemLog::Capture log;
    expectFailure(m_dir + "/damaged.tif", m_dir + "/damaged.jpg", {"Converting"});
    EXPECT_EQ(log.count(kFinalizeFailed), 1);
    m_statuses.clear();
    log.clear();
    expectFailure(m_dir + "/fake.dng", m_dir + "/fake.jpg", {"Converting"});
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("Could not decode image " + m_dir + "/fake.dng"));
}

TEST_F(TheJpegRenderer, folderThatCannotBeWrittenFailsAndLeavesNothing)
{
    SystemLog::Capture log;
    expectFailure(m_source, m_dir + "/no such folder/export.jpg", {"Converting", "Importing"});
    m_statuses.clear();
    // Even for root: nothing can be created in /proc.
    expectFailure(m_source, "/proc/export.jpg", {"Converting", "Importing"});
    m_statuses.clear();
    // The temporary file is written, then cannot replace a folder.
    ASSERT_TRUE(QDir(m_dir).mkdir("export.jpg"));
    expectFailure(m_source, m_dir + "/export.jpg", {"Converting", "Importing"});
    EXPECT_TRUE(entries(m_dir + "/export.jpg").isEmpty());
    EXPECT_EQ(log.lines().size(), 3);
    for (const QString& line : log.lines())
        EXPECT_TRUE(line.startsWith("Could not write ")) << line.toStdString();
}

TEST_F(TheJpegRenderer, fullFileSystemLeavesNoPartialFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(renderUnderFileSizeLimit(m_dir, m_source), ::testing::ExitedWithCode(0),
                "failedCleanly=1 thenWritten=1");
}
