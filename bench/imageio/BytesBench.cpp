// Bytes at equal quality: bits per pixel and SSIM of Tolvane's JPEGs beside
// libvips' (default settings, and with optimised Huffman tables) and
// ImageMagick's, at qualities 0.5, 0.7, 0.8 and 0.9, on synthetic scenes as
// the sample library draws them (24 megapixels) and on photographs (by
// default the nature wallpapers that bench/setup.sh installs). For every
// photograph it then compares Tolvane's bytes with ImageMagick's at equal
// SSIM: our size interpolated (log-linearly) at ImageMagick's SSIM, along our
// curve sampled every 0.02 of quality, so that the interpolation follows the
// curve (and its step where chroma stops being subsampled, at 0.9) rather
// than a straight line between the four table qualities.
//
//   bytes_bench [--work DIR] [--photos DIR] [--synthetic N] [--megapixels MP]

#include "SyntheticScene.h"

#include "imageio/Bitmap.h"
#include "imageio/ImageIO.h"
#include "imageio/JpegDestination.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <vips/vips8>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {
const char* const kConvert = "/usr/bin/convert"; // /usr/local/bin/convert is a stand-in script
const double kQualities[] = {0.5, 0.7, 0.8, 0.9};
const char* const kTools[] = {"tolvane", "vips default", "vips optimised", "ImageMagick"};
constexpr int kToolCount = 4;

QString loadAverage()
{
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : "?";
}

// A synthetic scene as an 8-bit sRGB TIFF, so that every tool reads the
// same pixels.
bool writeScene(const QString& path, quint64 seed, int width, int height)
{
    const SyntheticScene scene(seed);
    std::vector<uint8_t> pixels = scene.srgbPixels(width, height);
    try {
        vips::VImage::new_from_memory(pixels.data(), pixels.size(), width, height, 3,
                                      VIPS_FORMAT_UCHAR)
            .tiffsave(QFile::encodeName(path).constData());
        return true;
    } catch (const vips::VError& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), e.what());
        return false;
    }
}

QByteArray blobBytes(VipsBlob* blob)
{
    size_t length = 0;
    const void* bytes = vips_blob_get(blob, &length);
    QByteArray out(static_cast<const char*>(bytes), qsizetype(length));
    vips_area_unref(VIPS_AREA(blob));
    return out;
}

QByteArray tolvaneJpeg(const QString& input, double quality)
{
    JpegDestination destination;
    destination.addImage(Bitmap::fromFile(input),
                         {{JpegDestination::LossyCompressionQuality, quality}});
    return destination.finalize() ? destination.data() : QByteArray();
}

QByteArray vipsJpeg(const QString& input, double quality, bool optimise)
{
    const vips::VImage image = vips::VImage::new_from_file(QFile::encodeName(input).constData());
    return blobBytes(image.jpegsave_buffer(vips::VImage::option()
                                               ->set("Q", int(std::lround(quality * 100)))
                                               ->set("strip", true)
                                               ->set("optimize_coding", optimise)));
}

QByteArray magickJpeg(const QString& input, double quality, const QString& work)
{
    const QString out = work + "/magick.jpg";
    QProcess convert;
    convert.start(kConvert,
                  {input, "-strip", "-quality", QString::number(std::lround(quality * 100)), out});
    if (!convert.waitForFinished(-1) || convert.exitCode() != 0)
        return {};
    QFile file(out);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

vips::VImage luma(const vips::VImage& image)
{
    const vips::VImage f = image.cast(VIPS_FORMAT_FLOAT);
    if (f.bands() < 3)
        return f.extract_band(0);
    return f[0] * 0.299 + f[1] * 0.587 + f[2] * 0.114;
}

// Mean structural similarity of the luma, Gaussian window of sigma 1.5.
double ssim(const vips::VImage& reference, const vips::VImage& image)
{
    const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    const vips::VImage a = luma(reference), b = luma(image);
    const auto blur = [](const vips::VImage& x) {
        return x.gaussblur(1.5, vips::VImage::option()->set("precision", VIPS_PRECISION_FLOAT));
    };
    const vips::VImage ma = blur(a), mb = blur(b);
    const vips::VImage saa = blur(a * a) - ma * ma, sbb = blur(b * b) - mb * mb,
                       sab = blur(a * b) - ma * mb;
    const vips::VImage map =
        ((ma * mb * 2 + c1) * (sab * 2 + c2)) / ((ma * ma + mb * mb + c1) * (saa + sbb + c2));
    return map.avg();
}

struct Point {
    double bpp = NAN, ssim = NAN;
};

// Our bits per pixel at `target` SSIM, log-linear between our two nearest
// points; NaN outside our range.
double bppAtSsim(std::vector<Point> curve, double target)
{
    std::sort(curve.begin(), curve.end(),
              [](const Point& a, const Point& b) { return a.ssim < b.ssim; });
    for (size_t i = 0; i + 1 < curve.size(); ++i) {
        const Point& lo = curve[i];
        const Point& hi = curve[i + 1];
        if (target >= lo.ssim && target <= hi.ssim && hi.ssim > lo.ssim) {
            const double t = (target - lo.ssim) / (hi.ssim - lo.ssim);
            return std::exp(std::log(lo.bpp) + t * (std::log(hi.bpp) - std::log(lo.bpp)));
        }
    }
    return NAN;
}

// Every tool at every quality on one image: its points, printed as a table.
bool measureImage(const QString& input, const QString& work,
                  std::vector<Point> (&curves)[kToolCount], bool dense)
{
    vips::VImage reference;
    try {
        reference = vips::VImage::new_from_file(QFile::encodeName(input).constData()).copy_memory();
    } catch (const vips::VError& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(input), e.what());
        return false;
    }
    const double pixels = double(reference.width()) * reference.height();
    std::printf("%s (%d x %d)\n", qPrintable(QFileInfo(input).fileName()), reference.width(),
                reference.height());
    std::printf("  %-16s", "quality");
    for (const char* tool : kTools)
        std::printf(" %21s", tool);
    std::printf("\n");
    for (const double quality : kQualities) {
        std::printf("  %-16.1f", quality);
        for (int t = 0; t < kToolCount; ++t) {
            QByteArray jpeg;
            try {
                jpeg = t == 0   ? tolvaneJpeg(input, quality)
                       : t == 1 ? vipsJpeg(input, quality, false)
                       : t == 2 ? vipsJpeg(input, quality, true)
                                : magickJpeg(input, quality, work);
            } catch (const vips::VError& e) {
                std::fprintf(stderr, "%s: %s\n", kTools[t], e.what());
            }
            Point point;
            if (!jpeg.isEmpty()) {
                point.bpp = jpeg.size() * 8.0 / pixels;
                point.ssim =
                    ssim(reference,
                         vips::VImage::new_from_buffer(jpeg.constData(), size_t(jpeg.size()), ""));
            }
            curves[t].push_back(point);
            std::printf("   %5.3f bpp %.5f", point.bpp, point.ssim);
        }
        std::printf("\n");
    }
    if (dense) {
        // Our curve again, finely, for the comparison at equal SSIM.
        curves[0].clear();
        for (int q = 40; q <= 98; q += 2) {
            const QByteArray jpeg = tolvaneJpeg(input, q / 100.0);
            if (jpeg.isEmpty())
                continue;
            curves[0].push_back({jpeg.size() * 8.0 / pixels,
                                 ssim(reference, vips::VImage::new_from_buffer(
                                                     jpeg.constData(), size_t(jpeg.size()), ""))});
        }
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ImageIO::initialize();
    QString work = QDir::tempPath() + "/tolvane-bytes-bench";
    QString photos = "/usr/share/backgrounds/mate/nature";
    int synthetic = 2;
    double megapixels = 24;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--work" && i + 1 < args.size())
            work = args[++i];
        else if (args[i] == "--photos" && i + 1 < args.size())
            photos = args[++i];
        else if (args[i] == "--synthetic" && i + 1 < args.size())
            synthetic = std::max(0, args[++i].toInt());
        else if (args[i] == "--megapixels" && i + 1 < args.size())
            megapixels = std::max(0.1, args[++i].toDouble());
        else {
            std::fprintf(stderr, "usage: bytes_bench [--work DIR] [--photos DIR] [--synthetic N] "
                                 "[--megapixels MP]\n");
            return 2;
        }
    }
    QDir().mkpath(work);
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    std::printf("bits per pixel and luma SSIM against the input, per tool and quality\n");

    const int height = int(std::sqrt(megapixels * 1e6 / 1.5));
    const int width = height * 3 / 2;
    for (int seed = 1; seed <= synthetic; ++seed) {
        const QString input = work + QString("/synthetic-%1.tif").arg(seed);
        if (!QFileInfo(input).isFile() && !writeScene(input, quint64(2026 + seed), width, height))
            return 1;
        std::vector<Point> curves[kToolCount];
        if (!measureImage(input, work, curves, false))
            return 1;
    }

    const QFileInfoList files =
        QDir(photos).entryInfoList({"*.jpg", "*.jpeg", "*.png", "*.tif"}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        std::printf("no photographs in %s: run bench/setup.sh\n", qPrintable(photos));
    bool allMet = true;
    std::printf("Tolvane's bytes / ImageMagick's at ImageMagick's SSIM, per quality (target <= "
                "1.00):\n  %-24s",
                "");
    for (const double quality : kQualities)
        std::printf(" %6.1f", quality);
    std::printf("\n");
    for (const QFileInfo& file : files) {
        std::vector<Point> curves[kToolCount];
        if (!measureImage(file.filePath(), work, curves, true))
            return 1;
        std::printf("  => %-21s", qPrintable(file.fileName()));
        for (const Point& magick : curves[3]) {
            const double ratio = bppAtSsim(curves[0], magick.ssim) / magick.bpp;
            if (std::isnan(ratio))
                std::printf(" %6s", "n/a");
            else
                std::printf(" %6.3f", ratio);
            allMet = allMet && !std::isnan(ratio) && ratio <= 1.0;
        }
        std::printf("\n");
    }
    if (!files.isEmpty())
        std::printf("%s\n", allMet ? "met" : "NOT met");
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return allMet ? 0 : 3;
}
