#include "Renderer.h"

#include "PeerError.h"

#include <QFile>

#include <libraw/libraw.h>

#include <cmath>
#include <memory>

namespace {

[[noreturn]] void renderFailed(const QString& path, const QString& why)
{
    throw PeerError(PeerError::Code::ExportFailed,
                    QStringLiteral("cannot render %1: %2").arg(path, why.trimmed()));
}

vips::VImage resizeExactly(const vips::VImage& image, int width, int height)
{
    if (image.width() == width && image.height() == height)
        return image;
    return image.resize(double(width) / image.width(),
                        vips::VImage::option()
                            ->set("vscale", double(height) / image.height())
                            ->set("kernel", VIPS_KERNEL_LANCZOS3));
}

} // namespace

void Renderer::checkPixelSize(const QString& path, qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        renderFailed(path,
                     QStringLiteral("it claims a size of %1 × %2 pixels").arg(width).arg(height));
    if (width * height > MaxPixels)
        renderFailed(path, QStringLiteral("it claims %1 × %2 pixels, more than the %3 the library "
                                          "renders")
                               .arg(width)
                               .arg(height)
                               .arg(MaxPixels));
}

vips::VImage Renderer::developRaw(const QString& path)
{
    auto raw = std::make_unique<LibRaw>();
    libraw_output_params_t& params = raw->imgdata.params;
    params.output_bps = 16;
    params.use_camera_wb = 1;
    params.no_auto_bright = 1;
    params.output_color = 1; // sRGB
    params.user_qual = 0;    // linear interpolation: quick, and good enough here
    int code = raw->open_file(QFile::encodeName(path).constData());
    if (code == LIBRAW_SUCCESS) {
        const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
        checkPixelSize(path, sizes.raw_width, sizes.raw_height);
        checkPixelSize(path, sizes.width, sizes.height);
        code = raw->unpack();
    }
    if (code == LIBRAW_SUCCESS)
        code = raw->dcraw_process();
    if (code != LIBRAW_SUCCESS)
        renderFailed(path, QString::fromUtf8(libraw_strerror(code)));
    libraw_processed_image_t* developed = raw->dcraw_make_mem_image(&code);
    if (!developed)
        renderFailed(path, QString::fromUtf8(libraw_strerror(code)));
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> owner(
        developed, [](libraw_processed_image_t* image) { LibRaw::dcraw_clear_mem(image); });
    if (developed->type != LIBRAW_IMAGE_BITMAP || developed->colors != 3 || developed->bits != 16)
        renderFailed(path, QStringLiteral("LibRaw gave no 16-bit RGB bitmap"));
    // A copy: LibRaw's buffer goes when `owner` does (copy_memory() would
    // keep a reference to a memory image rather than copy it).
    VipsImage* copied =
        vips_image_new_from_memory_copy(developed->data, developed->data_size, developed->width,
                                        developed->height, 3, VIPS_FORMAT_USHORT);
    if (!copied)
        throw vips::VError();
    const vips::VImage image(copied);
    return image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
}

vips::VImage Renderer::load(const QString& path)
{
    // Opening reads the header only; pixels are decoded once written out.
    vips::VImage image = vips::VImage::new_from_file(QFile::encodeName(path).constData());
    checkPixelSize(path, image.width(), image.height());
    image = image.autorot();
    if (image.has_alpha())
        image = image.flatten();
    if (image.bands() < 3)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.bands() > 3)
        image = image.extract_band(0, vips::VImage::option()->set("n", 3));
    return image.colourspace(VIPS_INTERPRETATION_RGB16);
}

vips::VImage Renderer::develop(const MasterFileRecord& master, const VersionRecord& version)
{
    checkPixelSize(master.absolutePath, version.masterWidth, version.masterHeight);
    try {
        vips::VImage image = master.kind == QLatin1String("raw") ? developRaw(master.absolutePath)
                                                                 : load(master.absolutePath);
        image = resizeExactly(image, version.masterWidth, version.masterHeight);
        if (version.exposure != 0.0) {
            image = image.colourspace(VIPS_INTERPRETATION_scRGB)
                        .linear(std::pow(2.0, version.exposure), 0.0)
                        .colourspace(VIPS_INTERPRETATION_RGB16);
        }
        switch (version.rotation) {
        case 90:
            image = image.rot(VIPS_ANGLE_D90);
            break;
        case 180:
            image = image.rot(VIPS_ANGLE_D180);
            break;
        case 270:
            image = image.rot(VIPS_ANGLE_D270);
            break;
        default:
            break;
        }
        return image;
    } catch (const vips::VError& error) {
        renderFailed(master.absolutePath, QString::fromUtf8(error.what()));
    }
}

void Renderer::save(const vips::VImage& developed, const ExportSetting& setting,
                    const QString& path)
{
    try {
        const QPair<int, int> size = setting.outputSize(developed.width(), developed.height());
        checkPixelSize(path, size.first, size.second);
        vips::VImage image = resizeExactly(developed, size.first, size.second);
        if (setting.depth() == 8)
            image = image.colourspace(VIPS_INTERPRETATION_sRGB);
        else
            image = image.cast(VIPS_FORMAT_USHORT);
        const QByteArray file = QFile::encodeName(path);
        switch (setting.format()) {
        case ExportSetting::Format::Tiff:
            image.tiffsave(file.constData(), vips::VImage::option()->set("strip", true));
            break;
        case ExportSetting::Format::Jpeg:
            image.jpegsave(file.constData(),
                           vips::VImage::option()->set("Q", 92)->set("strip", true));
            break;
        case ExportSetting::Format::Png:
            image.pngsave(file.constData(),
                          vips::VImage::option()->set("compression", 3)->set("strip", true));
            break;
        }
    } catch (const vips::VError& error) {
        QFile::remove(path);
        renderFailed(path, QString::fromUtf8(error.what()));
    }
}
