#include "PixelLoader_p.h"

#include "UncompressedTiff_p.h"

#include <QFile>

namespace {
vips::VOption* streamingOptions()
{
    return vips::VImage::option()
        ->set("access", VIPS_ACCESS_SEQUENTIAL)
        ->set("fail_on", VIPS_FAIL_ON_ERROR);
}
} // namespace

vips::VImage PixelLoader::open(const ImageInput& input, ImageFormat format)
{
    if (input.inMemory)
        return vips::VImage::new_from_buffer(input.bytes.constData(),
                                             static_cast<size_t>(input.bytes.size()), "",
                                             streamingOptions());
    // The loaders are named, not found from the file name, which libvips would
    // otherwise scan for "[options]".
    const QByteArray name = QFile::encodeName(input.path);
    switch (format) {
    case ImageFormat::Jpeg:
        return vips::VImage::jpegload(name.constData(), streamingOptions());
    case ImageFormat::Png:
        return vips::VImage::pngload(name.constData(), streamingOptions());
    case ImageFormat::Tiff:
        if (std::optional<vips::VImage> direct = UncompressedTiff::open(name))
            return *direct;
        return vips::VImage::tiffload(name.constData(), streamingOptions());
    default:
        throw vips::VError("not a format that libvips loads here");
    }
}

int PixelLoader::bitsPerSample(VipsBandFormat format)
{
    switch (format) {
    case VIPS_FORMAT_UCHAR:
    case VIPS_FORMAT_CHAR:
        return 8;
    case VIPS_FORMAT_USHORT:
    case VIPS_FORMAT_SHORT:
        return 16;
    case VIPS_FORMAT_DOUBLE:
    case VIPS_FORMAT_DPCOMPLEX:
        return 64;
    default:
        return 32;
    }
}
