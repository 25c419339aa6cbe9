#include "ImageType_p.h"

#include "RawDecoder_p.h"

#include <QFile>

#include <cstring>

namespace {
constexpr int kHeadLength = 16;
// PhotometricInterpretation of colour-filter-array and linear raw data (DNG).
constexpr long kPhotometricCfa = 32803;
constexpr long kPhotometricLinearRaw = 34892;

bool startsWith(const QByteArray& head, const char* magic, int length)
{
    return head.size() >= length && std::memcmp(head.constData(), magic, length) == 0;
}

bool holdsRawImage(const Exiv2::ExifData& exif)
{
    for (const Exiv2::Exifdatum& datum : exif) {
        if (datum.tagName() != "PhotometricInterpretation" || datum.count() < 1)
            continue;
        const long value = datum.toLong();
        if (value == kPhotometricCfa || value == kPhotometricLinearRaw)
            return true;
    }
    return false;
}
} // namespace

QString ImageInput::describe() const
{
    return inMemory ? QStringLiteral("image data") : path;
}

QByteArray ImageType::head(const ImageInput& input)
{
    if (input.inMemory)
        return input.bytes.left(kHeadLength);
    QFile file(input.path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kHeadLength);
}

ImageFormat ImageType::identify(const ImageInput& input, const Exiv2::ExifData* exif)
{
    const QByteArray bytes = head(input);
    if (startsWith(bytes, "\xFF\xD8\xFF", 3))
        return ImageFormat::Jpeg;
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n", 8))
        return ImageFormat::Png;
    // Olympus ("IIRO", "MMOR") and Panasonic ("IIU\0") raw files are TIFF
    // containers with a signature of their own.
    if (startsWith(bytes, "IIRO", 4) || startsWith(bytes, "MMOR", 4) ||
        startsWith(bytes, "IIRS", 4) || startsWith(bytes, "IIU\0", 4))
        return ImageFormat::CameraRaw;
    if (startsWith(bytes, "II*\0", 4) || startsWith(bytes, "MM\0*", 4)) {
        if (exif)
            return classifyTiff(bytes, *exif);
        // Unreadable metadata classifies as a plain TIFF.
        const Result<std::shared_ptr<Exiv2::Image>> image = openMetadata(input);
        return classifyTiff(bytes, image && *image ? (*image)->exifData() : Exiv2::ExifData());
    }
    if (bytes.isEmpty())
        return ImageFormat::Unknown;
    // Camera RAW formats outside TIFF (CRW, RAF, MRW, X3F, CR3, ...): ask LibRaw.
    return RawDecoder::recognises(input) ? ImageFormat::CameraRaw : ImageFormat::Unknown;
}

ImageFormat ImageType::classifyTiff(const QByteArray& head, const Exiv2::ExifData& exif)
{
    if (exif.findKey(Exiv2::ExifKey("Exif.Image.DNGVersion")) != exif.end())
        return ImageFormat::Dng;
    // Canon CR2: "CR" and major version 2 after the TIFF header.
    if (head.size() >= 11 && head[8] == 'C' && head[9] == 'R' && head[10] == 2)
        return ImageFormat::CameraRaw;
    return holdsRawImage(exif) ? ImageFormat::CameraRaw : ImageFormat::Tiff;
}

QString ImageType::identifier(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg:
        return QStringLiteral("public.jpeg");
    case ImageFormat::Png:
        return QStringLiteral("public.png");
    case ImageFormat::Tiff:
        return QStringLiteral("public.tiff");
    case ImageFormat::Dng:
        return QStringLiteral("com.adobe.raw-image");
    case ImageFormat::CameraRaw:
        return QStringLiteral("public.camera-raw-image");
    case ImageFormat::Unknown:
        break;
    }
    return {};
}

Result<std::shared_ptr<Exiv2::Image>> ImageType::openMetadata(const ImageInput& input)
{
    try {
        Exiv2::Image::AutoPtr image =
            input.inMemory ? Exiv2::ImageFactory::open(
                                 reinterpret_cast<const Exiv2::byte*>(input.bytes.constData()),
                                 static_cast<long>(input.bytes.size()))
                           : Exiv2::ImageFactory::open(QFile::encodeName(input.path).toStdString());
        if (image.get())
            image->readMetadata();
        return std::shared_ptr<Exiv2::Image>(image.release());
    } catch (const std::exception& e) { // Exiv2's errors among them
        return Failure(QStringLiteral("%1: metadata: %2")
                           .arg(input.describe(), QString::fromLocal8Bit(e.what())));
    }
}
