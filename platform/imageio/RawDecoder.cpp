#include "RawDecoder_p.h"

#include <QFile>

#include <libraw/libraw.h>

#include <memory>
#include <vector>

namespace {
// In half-size mode each pixel takes red and blue from one photosite of its
// 2 × 2 block, a quarter of a pixel off the block's centre (green averages
// the two diagonal sites and is centred). Moving `band` of the packed 3-band
// image to the centre, by linear interpolation a quarter of the way towards
// the neighbour on the other side, removes the colour fringes this leaves on
// edges and brings the half-size image close to a full decode scaled down.
// `siteX` and `siteY` (0 or 1) give the photosite's place in its block.
void centreHalfSizeBand(quint16* packed, int width, int height, int band, int siteX, int siteY)
{
    const auto blend = [](quint16 near, quint16 far) {
        return quint16((3u * near + far + 2u) >> 2);
    };
    const auto at = [&](int x, int y) -> quint16& {
        return packed[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(band)];
    };
    // Towards the neighbour on the side away from the photosite; in place,
    // walking away from that neighbour so that it is still unchanged.
    for (int y = 0; y < height; ++y) {
        if (siteX == 0)
            for (int x = 0; x + 1 < width; ++x)
                at(x, y) = blend(at(x, y), at(x + 1, y));
        else
            for (int x = width - 1; x > 0; --x)
                at(x, y) = blend(at(x, y), at(x - 1, y));
    }
    if (siteY == 0)
        for (int y = 0; y + 1 < height; ++y)
            for (int x = 0; x < width; ++x)
                at(x, y) = blend(at(x, y), at(x, y + 1));
    else
        for (int y = height - 1; y > 0; --y)
            for (int x = 0; x < width; ++x)
                at(x, y) = blend(at(x, y), at(x, y - 1));
}

// LibRaw with access to its own buffers, so that the processed image can be
// handed on in place rather than copied by dcraw_make_mem_image().
class OwnedRaw : public LibRaw {
public:
    // The processed image as packed 16-bit samples, `colors` per pixel, in
    // LibRaw's own image buffer, which this object keeps: the output tone
    // curve applied as dcraw_make_mem_image() applies it without automatic
    // brightening, the fourth channel squeezed out, the buffer shrunk to fit
    // and the raw data freed. Null when the buffer cannot be shrunk.
    quint16* packProcessedImage()
    {
        const libraw_output_params_t& params = imgdata.params;
        gamma_curve(params.gamm[0], params.gamm[1], 2, int((0x2000 << 3) / params.bright));
        const ushort* curve = imgdata.color.curve;
        const int colors = imgdata.idata.colors;
        const size_t pixels = size_t(imgdata.sizes.iwidth) * size_t(imgdata.sizes.iheight);
        auto* quad = imgdata.image;
        auto* packed = reinterpret_cast<quint16*>(imgdata.image);
        // Forwards in place: sample i * colors + c never lies past 4 * i + c.
        for (size_t i = 0; i < pixels; ++i)
            for (int c = 0; c < colors; ++c)
                packed[i * size_t(colors) + size_t(c)] = curve[quad[i][c]];
        void* shrunk = realloc(imgdata.image, pixels * size_t(colors) * sizeof(quint16));
        if (!shrunk)
            return nullptr;
        imgdata.image = static_cast<ushort(*)[4]>(shrunk);
        releaseRawData();
        return static_cast<quint16*>(shrunk);
    }

    // Where red and blue sit in the 2 × 2 blocks of a Bayer mosaic, read
    // before processing (which turns a half-size image's pattern off).
    void noteBayerSites()
    {
        m_sites.clear();
        if (imgdata.idata.filters < 1000)
            return;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                const int colour = COLOR(y, x);
                if (colour == 0 || colour == 2)
                    m_sites.push_back({colour, x, y});
            }
    }

    // After a half-size decode of a Bayer mosaic: red and blue moved to the
    // centres of their blocks.
    void centreHalfSizeColours(quint16* packed)
    {
        if (!imgdata.params.half_size || imgdata.idata.colors != 3)
            return;
        for (const Site& site : m_sites)
            centreHalfSizeBand(packed, imgdata.sizes.iwidth, imgdata.sizes.iheight, site.colour,
                               site.x, site.y);
    }

private:
    struct Site {
        int colour, x, y;
    };
    std::vector<Site> m_sites;

    // The mosaic as unpacked (the float forms, if any, have buffers of their
    // own, which LibRaw frees itself).
    void releaseRawData()
    {
        libraw_rawdata_t& raw = imgdata.rawdata;
        if (raw.raw_alloc)
            free(raw.raw_alloc);
        raw.raw_alloc = nullptr;
        raw.raw_image = nullptr;
        raw.color3_image = nullptr;
        raw.color4_image = nullptr;
    }
};

std::unique_ptr<OwnedRaw> openRaw(const ImageInput& input, int* code, bool halfSize = false)
{
    auto raw = std::make_unique<OwnedRaw>();
    raw->imgdata.params.user_flip = 0;
    raw->imgdata.params.output_bps = 16;
    raw->imgdata.params.use_camera_wb = 1;
    raw->imgdata.params.no_auto_bright = 1;
    raw->imgdata.params.half_size = halfSize ? 1 : 0;
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

void releaseDecoder(VipsImage*, OwnedRaw* raw)
{
    delete raw;
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

Result<QSize> RawDecoder::probe(const ImageInput& input)
{
    try {
        int code = 0;
        std::unique_ptr<OwnedRaw> raw = openRaw(input, &code);
        if (code == LIBRAW_SUCCESS)
            code = raw->adjust_sizes_info_only();
        if (code != LIBRAW_SUCCESS)
            return Failure(failure(input, "open", code));
        const QSize size(raw->imgdata.sizes.iwidth, raw->imgdata.sizes.iheight);
        if (size.isEmpty())
            return Failure(QStringLiteral("%1: the image has no size").arg(input.describe()));
        return size;
    } catch (const std::exception& e) {
        return Failure(
            QStringLiteral("%1: %2").arg(input.describe(), QString::fromLocal8Bit(e.what())));
    }
}

Result<vips::VImage> RawDecoder::decode(const ImageInput& input, bool halfSize)
{
    try {
        int code = 0;
        std::unique_ptr<OwnedRaw> raw = openRaw(input, &code, halfSize);
        if (code != LIBRAW_SUCCESS)
            return Failure(failure(input, "open", code));
        if ((code = raw->unpack()) != LIBRAW_SUCCESS)
            return Failure(failure(input, "unpack", code));
        raw->noteBayerSites();
        if ((code = raw->dcraw_process()) != LIBRAW_SUCCESS)
            return Failure(failure(input, "process", code));
        const int colors = raw->imgdata.idata.colors;
        const int width = raw->imgdata.sizes.iwidth;
        const int height = raw->imgdata.sizes.iheight;
        if (!raw->imgdata.image || (colors != 3 && colors != 1) || width < 1 || height < 1)
            return Failure(QStringLiteral("%1: unexpected decoded layout").arg(input.describe()));
        quint16* samples = raw->packProcessedImage();
        if (!samples)
            return Failure(QStringLiteral("%1: out of memory").arg(input.describe()));
        raw->centreHalfSizeColours(samples);
        // The file is closed now; the pixels stay with the decoder.
        raw->recycle_datastream();
        VipsImage* pixels =
            vips_image_new_from_memory(samples, size_t(width) * size_t(height) * size_t(colors) * 2,
                                       width, height, colors, VIPS_FORMAT_USHORT);
        if (!pixels) {
            const QString why = QString::fromUtf8(vips_error_buffer());
            vips_error_clear();
            return Failure(QStringLiteral("%1: %2").arg(input.describe(), why));
        }
        // The decoder, and with it the pixels, lives exactly as long as the
        // image that wraps them.
        g_signal_connect(pixels, "postclose", G_CALLBACK(releaseDecoder), raw.release());
        vips::VImage wrapped(pixels);
        return wrapped.copy(vips::VImage::option()->set("interpretation",
                                                        colors == 3 ? VIPS_INTERPRETATION_RGB16
                                                                    : VIPS_INTERPRETATION_GREY16));
    } catch (const vips::VError& e) {
        return Failure(QStringLiteral("%1: %2").arg(input.describe(), QString::fromUtf8(e.what())));
    } catch (const std::exception& e) {
        return Failure(
            QStringLiteral("%1: %2").arg(input.describe(), QString::fromLocal8Bit(e.what())));
    }
}
