#include "UncompressedTiff_p.h"

#include <QFile>
#include <QFileInfo>

#include <tiffio.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {
struct Layout {
    int width = 0, height = 0, bands = 0;
    VipsBandFormat format = VIPS_FORMAT_UCHAR;
    VipsInterpretation interpretation = VIPS_INTERPRETATION_sRGB;
    guint64 offset = 0;
    // Pixels per millimetre and the unit the file gave them in, as libvips'
    // loader reports them.
    double xres = 1.0, yres = 1.0;
    const char* resolutionUnit = nullptr;
};

// The pixels are the loader's business; its messages would only repeat
// what the fallback says again.
int quietly(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

std::unique_ptr<TIFF, TiffCloser> openQuietly(const QByteArray& path)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietly, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietly, nullptr);
    TIFF* tiff = TIFFOpenExt(path.constData(), "rm", options);
    TIFFOpenOptionsFree(options);
    return std::unique_ptr<TIFF, TiffCloser>(tiff);
}

uint16_t field16(TIFF* tiff, ttag_t tag)
{
    uint16_t value = 0;
    TIFFGetFieldDefaulted(tiff, tag, &value);
    return value;
}

bool readSampleLayout(TIFF* tiff, Layout* layout)
{
    uint32_t width = 0, height = 0;
    if (TIFFIsTiled(tiff) || !TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0 ||
        width > VIPS_MAX_COORD || height > VIPS_MAX_COORD)
        return false;
    const uint16_t bits = field16(tiff, TIFFTAG_BITSPERSAMPLE);
    const uint16_t samples = field16(tiff, TIFFTAG_SAMPLESPERPIXEL);
    const uint16_t photometric = field16(tiff, TIFFTAG_PHOTOMETRIC);
    if (field16(tiff, TIFFTAG_COMPRESSION) != COMPRESSION_NONE ||
        field16(tiff, TIFFTAG_PLANARCONFIG) != PLANARCONFIG_CONTIG ||
        field16(tiff, TIFFTAG_SAMPLEFORMAT) != SAMPLEFORMAT_UINT ||
        field16(tiff, TIFFTAG_ORIENTATION) != ORIENTATION_TOPLEFT || (bits != 8 && bits != 16) ||
        (bits == 16 && TIFFIsByteSwapped(tiff)))
        return false;
    const bool sixteen = bits == 16;
    if (photometric == PHOTOMETRIC_RGB && (samples == 3 || samples == 4))
        layout->interpretation = sixteen ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB;
    else if (photometric == PHOTOMETRIC_MINISBLACK && (samples == 1 || samples == 2))
        layout->interpretation = sixteen ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_B_W;
    else
        return false;
    layout->width = int(width);
    layout->height = int(height);
    layout->bands = samples;
    layout->format = sixteen ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR;
    return true;
}

// Where the rows begin, when every strip follows the one before and together
// they hold exactly the rows.
bool findContiguousRows(TIFF* tiff, const Layout& layout, qint64 fileSize, guint64* offset)
{
    const uint32_t strips = TIFFNumberOfStrips(tiff);
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    if (strips == 0 || !TIFFGetField(tiff, TIFFTAG_STRIPOFFSETS, &offsets) ||
        !TIFFGetField(tiff, TIFFTAG_STRIPBYTECOUNTS, &counts) || !offsets || !counts)
        return false;
    const uint64_t bytesPerSample = layout.format == VIPS_FORMAT_USHORT ? 2 : 1;
    const uint64_t rowBytes = uint64_t(layout.width) * uint64_t(layout.bands) * bytesPerSample;
    uint64_t next = offsets[0];
    for (uint32_t s = 0; s < strips; ++s) {
        if (offsets[s] != next)
            return false;
        next += counts[s];
    }
    if (next - offsets[0] != rowBytes * uint64_t(layout.height) || next > uint64_t(fileSize))
        return false;
    *offset = offsets[0];
    return true;
}

// Resolution as libvips' loader converts it: pixels per millimetre.
void readResolution(TIFF* tiff, Layout* layout)
{
    uint16_t unit = 0;
    float x = 0, y = 0;
    if (!TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit) ||
        !TIFFGetFieldDefaulted(tiff, TIFFTAG_XRESOLUTION, &x) ||
        !TIFFGetFieldDefaulted(tiff, TIFFTAG_YRESOLUTION, &y) || x <= 0 || y <= 0)
        return;
    if (unit == RESUNIT_INCH) {
        layout->xres = x / 25.4;
        layout->yres = y / 25.4;
        layout->resolutionUnit = "in";
    } else if (unit == RESUNIT_CENTIMETER) {
        layout->xres = x / 10.0;
        layout->yres = y / 10.0;
        layout->resolutionUnit = "cm";
    } else {
        layout->xres = x;
        layout->yres = y;
    }
}

// The open file the rows are read from, with where they lie.
struct OpenFile {
    QByteArray path;
    int fd = -1;
    guint64 offset = 0; // of the first row
    size_t rowBytes = 0;
    size_t pixelBytes = 0;
};

bool readFully(int fd, char* into, size_t length, off_t at)
{
    while (length > 0) {
        const ssize_t got = ::pread(fd, into, length, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // the file ends before its rows do
            return false;
        }
        into += got;
        at += got;
        length -= size_t(got);
    }
    return true;
}

// Reads the rows of one region straight into it: in one read when the
// region holds whole rows one after another, as strips of a sequential
// read do.
int readRows(VipsRegion* out, void*, void* a, void*, gboolean*)
{
    const auto* file = static_cast<const OpenFile*>(a);
    const VipsRect area = out->valid;
    const size_t length = size_t(area.width) * file->pixelBytes;
    const auto at = [&](int y) {
        return off_t(file->offset + guint64(y) * file->rowBytes +
                     guint64(area.left) * file->pixelBytes);
    };
    bool ok = true;
    if (length == file->rowBytes && size_t(VIPS_REGION_LSKIP(out)) == length) {
        ok = readFully(file->fd, reinterpret_cast<char*>(VIPS_REGION_ADDR(out, 0, area.top)),
                       length * size_t(area.height), at(area.top));
    } else {
        for (int y = area.top; ok && y < area.top + area.height; ++y)
            ok = readFully(file->fd, reinterpret_cast<char*>(VIPS_REGION_ADDR(out, area.left, y)),
                           length, at(y));
    }
    if (!ok)
        vips_error("tiff", "%s: %s", file->path.constData(), strerror(errno));
    return ok ? 0 : -1;
}

void closeFile(VipsImage*, OpenFile* file)
{
    ::close(file->fd);
    delete file;
}

std::optional<Layout> readLayout(const QByteArray& path)
{
    const qint64 fileSize = QFileInfo(QFile::decodeName(path)).size();
    const auto tiff = openQuietly(path);
    Layout layout;
    if (!tiff || !readSampleLayout(tiff.get(), &layout) ||
        !findContiguousRows(tiff.get(), layout, fileSize, &layout.offset))
        return std::nullopt;
    readResolution(tiff.get(), &layout);
    return layout;
}
} // namespace

std::optional<vips::VImage> UncompressedTiff::open(const QByteArray& path)
{
    const std::optional<Layout> layout = readLayout(path);
    if (!layout)
        return std::nullopt;
    auto file = std::make_unique<OpenFile>();
    file->path = path;
    file->fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (file->fd < 0)
        throw vips::VError(
            QStringLiteral("%1: %2")
                .arg(QFile::decodeName(path), QString::fromLocal8Bit(strerror(errno)))
                .toStdString());
    file->offset = layout->offset;
    file->pixelBytes = size_t(layout->bands) * (layout->format == VIPS_FORMAT_USHORT ? 2 : 1);
    file->rowBytes = size_t(layout->width) * file->pixelBytes;

    VipsImage* rows = vips_image_new();
    vips_image_init_fields(rows, layout->width, layout->height, layout->bands, layout->format,
                           VIPS_CODING_NONE, layout->interpretation, layout->xres, layout->yres);
    if (vips_image_pipelinev(rows, VIPS_DEMAND_STYLE_THINSTRIP, nullptr) != 0 ||
        vips_image_generate(rows, nullptr, readRows, nullptr, file.get(), nullptr) != 0) {
        g_object_unref(rows);
        throw vips::VError();
    }
    // The file stays open exactly as long as the image that reads it.
    g_signal_connect(rows, "close", G_CALLBACK(closeFile), file.release());
    vips::VImage image(rows);
    if (layout->resolutionUnit)
        image.set(VIPS_META_RESOLUTION_UNIT, layout->resolutionUnit);
    return image;
}
