#include "Bitmap.h"

#include "BitmapData_p.h"
#include "ImageType_p.h"
#include "PixelLoader_p.h"
#include "RawDecoder_p.h"
#include "Resampler_p.h"

#include <QFileInfo>

#include <cmath>

namespace {
// A camera RAW decodes at half size when the drawing needs no more.
bool halfSizeSuffices(int sourceWidth, int sourceHeight, double drawWidth, double drawHeight)
{
    const int w = Bitmap::pixelLength(drawWidth);
    const int h = Bitmap::pixelLength(drawHeight);
    return w > 0 && h > 0 && 2 * w <= sourceWidth && 2 * h <= sourceHeight;
}
} // namespace

Bitmap::Bitmap() = default;

Bitmap::Bitmap(std::shared_ptr<const BitmapData> data) : m_data(std::move(data)) {}

Bitmap Bitmap::failed(const QString& error)
{
    Bitmap bitmap;
    bitmap.m_error = error;
    return bitmap;
}

Bitmap Bitmap::fromFile(const QString& path)
{
    return fromFile(path, 0, 0, 0.0, 0.0);
}

Bitmap Bitmap::fromFile(const QString& path, int sourceWidth, int sourceHeight, double drawWidth,
                        double drawHeight)
{
    if (!QFileInfo(path).isFile())
        return failed(QStringLiteral("%1: no such file").arg(path));
    ImageInput input{path, {}, false};
    const ImageFormat format = ImageType::identify(input);
    if (format == ImageFormat::Unknown)
        return failed(QStringLiteral("%1: not an image format that decodes here").arg(path));
    auto data = std::make_shared<BitmapData>();
    if (ImageType::isRaw(format)) {
        const bool half = halfSizeSuffices(sourceWidth, sourceHeight, drawWidth, drawHeight);
        Result<vips::VImage> decoded = RawDecoder::decode(input, half);
        if (!decoded)
            return failed(decoded.error());
        data->image = std::move(decoded).value();
        return Bitmap(std::move(data));
    }
    try {
        data->image = PixelLoader::open(input, format);
        return Bitmap(std::move(data));
    } catch (const vips::VError& e) {
        return failed(QStringLiteral("%1: %2").arg(path, QString::fromUtf8(e.what()).trimmed()));
    }
}

int Bitmap::pixelsWide() const
{
    return m_data ? m_data->image.width() : 0;
}

int Bitmap::pixelsHigh() const
{
    return m_data ? m_data->image.height() : 0;
}

int Bitmap::bitsPerSample() const
{
    return m_data ? PixelLoader::bitsPerSample(m_data->image.format()) : 0;
}

int Bitmap::samplesPerPixel() const
{
    return m_data ? m_data->image.bands() : 0;
}

int Bitmap::pixelLength(double length)
{
    if (!std::isfinite(length) || length <= 0.0 || length > VIPS_MAX_COORD)
        return 0;
    return std::max(1, static_cast<int>(std::floor(length + 0.5)));
}

Bitmap Bitmap::redrawn(double width, double height) const
{
    if (!m_data)
        return failed(m_error);
    const int w = pixelLength(width);
    const int h = pixelLength(height);
    if (w == 0 || h == 0)
        return failed(QStringLiteral("cannot draw at %1 x %2 pixels").arg(width).arg(height));
    try {
        auto data = std::make_shared<BitmapData>();
        data->image = Resampler::resize(m_data->image, w, h);
        if (data->image.width() != w || data->image.height() != h)
            return failed(QStringLiteral("drawing gave %1 x %2 pixels instead of %3 x %4")
                              .arg(data->image.width())
                              .arg(data->image.height())
                              .arg(w)
                              .arg(h));
        return Bitmap(std::move(data));
    } catch (const vips::VError& e) {
        return failed(QStringLiteral("drawing: %1").arg(QString::fromUtf8(e.what()).trimmed()));
    }
}
