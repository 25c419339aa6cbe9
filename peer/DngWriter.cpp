#include "DngWriter.h"

#include "PeerError.h"
#include "SyntheticScene.h"

#include <QFile>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr float kBlack = 256;
constexpr uint32_t kWhite = 16383;

[[noreturn]] void writeFailed(const QString& path, const QString& step)
{
    QFile::remove(path);
    throw PeerError(PeerError::Code::Io,
                    QStringLiteral("cannot write the DNG %1: %2").arg(path, step));
}

} // namespace

void DngWriter::write(const QString& path, const SyntheticScene& scene, int width, int height,
                      const QString& make, const QString& model, const QDateTime& date)
{
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(QFile::encodeName(path).constData(), "w"),
                                                [](TIFF* t) {
                                                    if (t)
                                                        TIFFClose(t);
                                                });
    if (!tiff)
        writeFailed(path, QStringLiteral("cannot create the file"));
    TIFF* t = tiff.get();
    const QByteArray makeText = make.toUtf8();
    const QByteArray modelText = model.toUtf8();
    const QByteArray unique = (make + QLatin1Char(' ') + model).toUtf8();
    const QByteArray dateText =
        date.toUTC().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
    static const uint8_t dngVersion[4] = {1, 4, 0, 0};
    static const uint8_t dngBackward[4] = {1, 1, 0, 0};
    static const uint16_t cfaDimensions[2] = {2, 2};
    static const uint8_t cfaPattern[4] = {0, 1, 1, 2}; // R G / G B
    float black[1] = {kBlack};
    uint32_t white[1] = {kWhite};
    // XYZ (D65) to linear sRGB: the "camera" sees sRGB primaries.
    float colourMatrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f,
                             0.0415f, 0.0557f,  -0.2040f, 1.0570f};
    float neutral[3] = {1.0f, 1.0f, 1.0f};

    TIFFSetField(t, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 64);
    TIFFSetField(t, TIFFTAG_MAKE, makeText.constData());
    TIFFSetField(t, TIFFTAG_MODEL, modelText.constData());
    TIFFSetField(t, TIFFTAG_SOFTWARE, "photolib sample");
    TIFFSetField(t, TIFFTAG_DATETIME, dateText.constData());
    TIFFSetField(t, TIFFTAG_DNGVERSION, dngVersion);
    TIFFSetField(t, TIFFTAG_DNGBACKWARDVERSION, dngBackward);
    TIFFSetField(t, TIFFTAG_UNIQUECAMERAMODEL, unique.constData());
    TIFFSetField(t, TIFFTAG_CFAREPEATPATTERNDIM, cfaDimensions);
    TIFFSetField(t, TIFFTAG_CFAPATTERN, 4, cfaPattern);
    TIFFSetField(t, TIFFTAG_BLACKLEVEL, 1, black);
    TIFFSetField(t, TIFFTAG_WHITELEVEL, 1, white);
    TIFFSetField(t, TIFFTAG_COLORMATRIX1, 9, colourMatrix);
    TIFFSetField(t, TIFFTAG_CALIBRATIONILLUMINANT1, 21); // D65
    TIFFSetField(t, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);

    std::vector<float> rgb(size_t(width) * 3);
    std::vector<uint16_t> row(static_cast<size_t>(width));
    const float range = float(kWhite) - kBlack;
    for (int y = 0; y < height; ++y) {
        scene.row(y, width, height, rgb.data());
        for (int x = 0; x < width; ++x) {
            // RGGB: red on even rows and columns, blue on odd ones, green between.
            const int channel = (y & 1) == 0 ? ((x & 1) == 0 ? 0 : 1) : ((x & 1) == 0 ? 1 : 2);
            const float value = std::clamp(rgb[3 * x + channel], 0.0f, 1.0f);
            row[x] = uint16_t(std::lround(kBlack + value * range));
        }
        if (TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0)
            writeFailed(path, QStringLiteral("row %1 could not be written").arg(y));
    }
    if (!TIFFWriteDirectory(t))
        writeFailed(path, QStringLiteral("the directory could not be written"));
}
