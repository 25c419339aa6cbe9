#include "ImageSource.h"

#include "ExifBlock_p.h"
#include "ImageType_p.h"
#include "IptcDictionary_p.h"
#include "PixelLoader_p.h"
#include "RawDecoder_p.h"

#include <QFileInfo>

namespace {
// Pixel size and layout from the pixel header; the ICC profile as libvips
// reads it (it reassembles a JPEG's chunks and reads TIFF and PNG profiles).
bool readPixelHeader(const ImageInput& input, ImageFormat format, QVariantMap* properties,
                     QString* error)
{
    if (ImageType::isRaw(format)) {
        const Result<QSize> size = RawDecoder::probe(input);
        if (!size) {
            *error = size.error();
            return false;
        }
        properties->insert(ImageSource::PixelWidth, size->width());
        properties->insert(ImageSource::PixelHeight, size->height());
        properties->insert(ImageSource::Depth, 16);
        properties->insert(ImageSource::ColorModel, QStringLiteral("RGB"));
        properties->insert(ImageSource::HasAlpha, false);
        return true;
    }
    try {
        const vips::VImage header = PixelLoader::open(input, format);
        properties->insert(ImageSource::PixelWidth, header.width());
        properties->insert(ImageSource::PixelHeight, header.height());
        properties->insert(ImageSource::Depth, PixelLoader::bitsPerSample(header.format()));
        const bool cmyk = header.interpretation() == VIPS_INTERPRETATION_CMYK;
        properties->insert(
            ImageSource::ColorModel,
            cmyk ? QStringLiteral("CMYK")
                 : (header.bands() >= 3 ? QStringLiteral("RGB") : QStringLiteral("Gray")));
        properties->insert(ImageSource::HasAlpha, header.has_alpha());
        if (header.get_typeof(VIPS_META_ICC_NAME) != 0) {
            size_t length = 0;
            const void* profile = header.get_blob(VIPS_META_ICC_NAME, &length);
            properties->insert(ImageSource::IccProfile,
                               QByteArray(static_cast<const char*>(profile), qsizetype(length)));
        }
        return true;
    } catch (const vips::VError& e) {
        *error =
            QStringLiteral("%1: %2").arg(input.describe(), QString::fromUtf8(e.what()).trimmed());
        return false;
    }
}

void readMetadata(Exiv2::Image& image, QVariantMap* properties)
{
    try {
        // EXIF that does not read leaves the source without it, like a file
        // that has none: the pixels and the other metadata still convert.
        const Result<QByteArray> exif =
            ExifBlock::read(image.exifData(), image.byteOrder(), properties);
        if (exif && !exif->isEmpty())
            properties->insert(ImageSource::ExifData, *exif);
        const QVariantMap iptc = IptcDictionary::read(image.iptcData());
        if (!iptc.isEmpty())
            properties->insert(ImageSource::IptcDictionary, iptc);
        if (!image.xmpPacket().empty())
            properties->insert(ImageSource::XmpData, QByteArray::fromStdString(image.xmpPacket()));
        if (!properties->contains(ImageSource::IccProfile) && image.iccProfileDefined()) {
            const Exiv2::DataBuf* profile = image.iccProfile();
            properties->insert(ImageSource::IccProfile,
                               QByteArray(reinterpret_cast<const char*>(profile->pData_),
                                          qsizetype(profile->size_)));
        }
    } catch (const Exiv2::AnyError&) {
    }
}
} // namespace

ImageSource ImageSource::fromFile(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        ImageSource source;
        source.m_error = QStringLiteral("%1: no such file").arg(path);
        return source;
    }
    return open(ImageInput{path, {}, false});
}

ImageSource ImageSource::fromData(const QByteArray& bytes)
{
    return open(ImageInput{{}, bytes, true});
}

ImageSource ImageSource::open(const ImageInput& input)
{
    ImageSource source;
    const Result<std::shared_ptr<Exiv2::Image>> opened = ImageType::openMetadata(input);
    Exiv2::Image* metadata = opened ? opened->get() : nullptr;
    const ImageFormat format =
        ImageType::identify(input, metadata ? &metadata->exifData() : nullptr);
    if (format == ImageFormat::Unknown) {
        source.m_error =
            QStringLiteral("%1: not an image format that opens here").arg(input.describe());
        return source;
    }
    QString pixelError;
    const bool header = readPixelHeader(input, format, &source.m_properties, &pixelError);
    if (metadata)
        readMetadata(*metadata, &source.m_properties);
    if (!header && !metadata) {
        source.m_properties.clear();
        source.m_error = pixelError.isEmpty() ? opened.error() : pixelError;
        return source;
    }
    source.m_error = pixelError;
    source.m_type = ImageType::identifier(format);
    return source;
}

QVariantMap ImageSource::propertiesAtIndex(int index) const
{
    return index == 0 ? m_properties : QVariantMap();
}
