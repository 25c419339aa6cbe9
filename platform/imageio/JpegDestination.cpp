#include "JpegDestination.h"

#include "BitmapData_p.h"
#include "EightBitPixels_p.h"
#include "ExifBlock_p.h"
#include "ImageSource.h"
#include "IptcDictionary_p.h"
#include "JpegMarkers_p.h"
#include "XmpSegments_p.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kDefaultQuality = 75;

// Optimised Huffman tables make libjpeg keep every DCT coefficient of the
// image (two bytes each) until the second pass writes them: 3 bytes per pixel
// with chroma subsampled (below quality 90), 6 with full-resolution chroma.
// The budget holds 28 megapixels at full chroma and 55 subsampled, so every
// 24-megapixel image gets optimised tables; a larger image streams through
// the encoder with the standard tables instead, its file a few per cent
// larger but its memory bounded by a few rows.
constexpr qint64 kOptimisedTablesBudget = 160 * 1024 * 1024;
// libvips subsamples chroma below this encoder quality.
constexpr int kFullChromaQuality = 90;

// The metadata segments for a JPEG of width × height pixels.
QByteArray metadataSegments(const QVariantMap& options, int width, int height)
{
    QByteArray segments;
    ExifBlock::Selection selection;
    selection.tiff = options.contains(ImageSource::TiffDictionary);
    selection.exif = options.contains(ImageSource::ExifDictionary);
    selection.gps = options.contains(ImageSource::GpsDictionary);
    // EXIF that does not encode is left out, as when none was asked for.
    const Result<QByteArray> exif = ExifBlock::forJpeg(
        options.value(ImageSource::ExifData).toByteArray(), selection, width, height);
    if (exif && !exif->isEmpty())
        segments += JpegMarkers::segment(JpegMarkers::kApp1, JpegMarkers::exifPayload(*exif));
    for (const QByteArray& payload :
         XmpSegments::payloads(options.value(ImageSource::XmpData).toByteArray()))
        segments += JpegMarkers::segment(JpegMarkers::kApp1, payload);
    for (const QByteArray& payload :
         JpegMarkers::iccPayloads(options.value(ImageSource::IccProfile).toByteArray()))
        segments += JpegMarkers::segment(JpegMarkers::kApp2, payload);
    const QByteArray iptc =
        IptcDictionary::jpegPayload(options.value(ImageSource::IptcDictionary).toMap());
    if (!iptc.isEmpty())
        segments += JpegMarkers::segment(JpegMarkers::kApp13, iptc);
    return segments;
}
} // namespace

qint64 JpegDestination::coefficientBytes(int width, int height, int bands, int quality)
{
    // Whole 16 × 16 macroblocks, the most any sampling pads to.
    const qint64 blocksWide = (qint64(width) + 15) / 16 * 2;
    const qint64 blocksHigh = (qint64(height) + 15) / 16 * 2;
    const qint64 lumaBlocks = blocksWide * blocksHigh;
    qint64 blocks = lumaBlocks;
    if (bands == 3)
        blocks += quality >= kFullChromaQuality ? 2 * lumaBlocks : 2 * (lumaBlocks / 4);
    else if (bands >= 4)
        blocks = 4 * lumaBlocks;
    return blocks * 64 * 2;
}

bool JpegDestination::optimisesTables(int width, int height, int bands, int quality)
{
    return coefficientBytes(width, height, bands, quality) <= kOptimisedTablesBudget;
}

int JpegDestination::encoderQuality(const QVariant& lossyQuality)
{
    bool isNumber = false;
    const double q = lossyQuality.toDouble(&isNumber);
    if (!isNumber || std::isnan(q))
        return kDefaultQuality;
    return std::max(1, static_cast<int>(std::lround(std::clamp(q, 0.0, 1.0) * 100.0)));
}

bool JpegDestination::fail(const QString& error)
{
    m_error = error;
    m_data.clear();
    return false;
}

bool JpegDestination::addImage(const Bitmap& bitmap, const QVariantMap& options)
{
    if (m_added)
        return fail(QStringLiteral("a JPEG destination holds one image"));
    if (!bitmap.isValid())
        return fail(bitmap.errorString().isEmpty() ? QStringLiteral("no pixels")
                                                   : bitmap.errorString());
    m_added = true;
    m_bitmap = bitmap;
    m_options = options;
    return true;
}

bool JpegDestination::finalize()
{
    if (m_finalized)
        return !m_data.isEmpty();
    m_finalized = true;
    if (!m_added)
        return fail(m_error.isEmpty() ? QStringLiteral("no image was added") : m_error);
    const int quality = encoderQuality(m_options.value(LossyCompressionQuality));
    QByteArray encoded;
    int width = 0, height = 0;
    try {
        const vips::VImage pixels = EightBitPixels::forJpeg(m_bitmap.m_data->image);
        width = pixels.width();
        height = pixels.height();
        // Baseline scans. Progressive ones, on top of optimised tables, saved
        // under 1 % on photographs and on a half-size output, made a 24 MP
        // full-size file 1.7 % larger and took a third more time; they would
        // also hold the whole coefficient image even past the budget.
        const bool optimise = optimisesTables(width, height, pixels.bands(), quality);
        VipsBlob* blob = pixels.jpegsave_buffer(vips::VImage::option()
                                                    ->set("Q", quality)
                                                    ->set("strip", true)
                                                    ->set("optimize_coding", optimise));
        size_t length = 0;
        const void* bytes = vips_blob_get(blob, &length);
        encoded = QByteArray(static_cast<const char*>(bytes), qsizetype(length));
        vips_area_unref(VIPS_AREA(blob));
    } catch (const vips::VError& e) {
        m_bitmap = Bitmap();
        return fail(QStringLiteral("JPEG encoding: %1").arg(QString::fromUtf8(e.what()).trimmed()));
    }
    m_bitmap = Bitmap();
    m_data = JpegMarkers::insertAfterHeader(encoded, metadataSegments(m_options, width, height));
    if (m_data.isEmpty())
        return fail(QStringLiteral("JPEG encoding gave no JPEG stream"));
    return true;
}
