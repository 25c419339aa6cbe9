#include "RawDecoder_p.h"

#include <QFile>

#include <libraw/libraw.h>

#include <memory>

namespace {
std::unique_ptr<LibRaw> openRaw(const ImageInput& input, int* code)
{
    auto raw = std::make_unique<LibRaw>();
    raw->imgdata.params.user_flip = 0;
    raw->imgdata.params.output_bps = 16;
    raw->imgdata.params.use_camera_wb = 1;
    if (input.inMemory) {
        // LibRaw 0.20 takes a non-const pointer but only reads the buffer.
        *code = raw->open_buffer(const_cast<char*>(input.bytes.constData()),
                                 static_cast<size_t>(input.bytes.size()));
    } else {
        *code = raw->open_file(QFile::encodeName(input.path).constData());
    }
    return raw;
}

QString failure(const ImageInput& input, const char* step, int code)
{
    return QStringLiteral("%1: %2: %3")
        .arg(input.describe(), QLatin1String(step), QString::fromLatin1(libraw_strerror(code)));
}

void releaseImage(VipsImage*, libraw_processed_image_t* image)
{
    LibRaw::dcraw_clear_mem(image);
}
} // namespace

bool RawDecoder::recognises(const ImageInput& input)
{
    try {
        int code = 0;
        openRaw(input, &code);
        return code == LIBRAW_SUCCESS;
    } catch (const std::exception&) {
        return false;
    }
}

bool RawDecoder::probe(const ImageInput& input, int* width, int* height, QString* error)
{
    try {
        int code = 0;
        std::unique_ptr<LibRaw> raw = openRaw(input, &code);
        if (code == LIBRAW_SUCCESS)
            code = raw->adjust_sizes_info_only();
        if (code != LIBRAW_SUCCESS) {
            *error = failure(input, "open", code);
            return false;
        }
        *width = raw->imgdata.sizes.iwidth;
        *height = raw->imgdata.sizes.iheight;
        return *width > 0 && *height > 0;
    } catch (const std::exception& e) {
        *error = QStringLiteral("%1: %2").arg(input.describe(), QString::fromLocal8Bit(e.what()));
        return false;
    }
}

bool RawDecoder::decode(const ImageInput& input, vips::VImage* out, QString* error)
{
    try {
        int code = 0;
        std::unique_ptr<LibRaw> raw = openRaw(input, &code);
        if (code != LIBRAW_SUCCESS) {
            *error = failure(input, "open", code);
            return false;
        }
        if ((code = raw->unpack()) != LIBRAW_SUCCESS) {
            *error = failure(input, "unpack", code);
            return false;
        }
        if ((code = raw->dcraw_process()) != LIBRAW_SUCCESS) {
            *error = failure(input, "process", code);
            return false;
        }
        libraw_processed_image_t* image = raw->dcraw_make_mem_image(&code);
        if (!image) {
            *error = failure(input, "convert", code);
            return false;
        }
        raw->recycle();
        if (image->type != LIBRAW_IMAGE_BITMAP || image->bits != 16 ||
            (image->colors != 3 && image->colors != 1)) {
            LibRaw::dcraw_clear_mem(image);
            *error = QStringLiteral("%1: unexpected decoded layout").arg(input.describe());
            return false;
        }
        VipsImage* pixels =
            vips_image_new_from_memory(image->data, image->data_size, image->width, image->height,
                                       image->colors, VIPS_FORMAT_USHORT);
        if (!pixels) {
            LibRaw::dcraw_clear_mem(image);
            *error = QStringLiteral("%1: %2").arg(input.describe(),
                                                  QString::fromUtf8(vips_error_buffer()));
            vips_error_clear();
            return false;
        }
        // The decoded buffer lives exactly as long as the image that wraps it.
        g_signal_connect(pixels, "postclose", G_CALLBACK(releaseImage), image);
        vips::VImage wrapped(pixels);
        *out = wrapped.copy(vips::VImage::option()->set(
            "interpretation",
            image->colors == 3 ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_GREY16));
        return true;
    } catch (const vips::VError& e) {
        *error = QStringLiteral("%1: %2").arg(input.describe(), QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        *error = QStringLiteral("%1: %2").arg(input.describe(), QString::fromLocal8Bit(e.what()));
    }
    return false;
}
