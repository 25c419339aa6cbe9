#pragma once

#include <QByteArray>
#include <QString>

#include <vips/vips8>

/// Which metadata blocks a sample image gets.
struct SampleMetadata {
    bool exif = true;
    bool gps = true;
    bool xmp = true;
    bool iptc = true;
    bool icc = true;
};

/// Images the image and engine tests make for themselves: real files in the
/// formats the image layer reads, with known pixels and metadata.
class SampleImages {
public:
    // The metadata written by withMetadata().
    static inline const char* const kMake = "Acme";
    static inline const char* const kModel = "Field 7";
    static inline const char* const kDateTimeOriginal = "2021:06:01 10:20:30";
    static inline const char* const kLatitude = "59/1 20/1 1234/100";
    static inline const char* const kTitle = "Harbour at dawn";
    static inline const char* const kKeyword = "harbour";

    using Metadata = SampleMetadata;

    /// A smooth scene with fine texture and a little noise, 3 bands of
    /// floats in 0..1: compresses like a photograph.
    static vips::VImage scene(int width, int height);

    /// 8 or 16 bits per sample, samples in 0..1 scaled to the format's range.
    static bool writeTiff(const QString& path, const vips::VImage& samples, int bits,
                          Metadata metadata = {});
    static bool writeJpeg(const QString& path, const vips::VImage& samples, Metadata metadata = {});
    static bool writePng(const QString& path, const vips::VImage& samples, int bits);
    /// A colour-filter-array DNG written with libtiff: RGGB, 16 bits; the
    /// left half of the scene dark, the right half bright.
    static bool writeDng(const QString& path, int width, int height);
    /// The same mosaic sampled from `samples` (3 bands in 0..1, linear).
    static bool writeDng(const QString& path, const vips::VImage& samples);

    /// An LZW TIFF whose strips are overwritten in the middle: its header and
    /// directory read, its pixels do not decode.
    static bool writeDamagedTiff(const QString& path);
    /// A TIFF container that calls itself a DNG but holds no raw image.
    static bool writeFakeDng(const QString& path);

    /// Adds EXIF, GPS, XMP and IPTC as `metadata` asks (Exiv2).
    static bool addMetadata(const QString& path, Metadata metadata);
    /// libvips' built-in sRGB profile.
    static QByteArray srgbProfile();

    /// The pixels of an image file or of encoded bytes, decoded into memory.
    static vips::VImage decodeFile(const QString& path);
    static vips::VImage decode(const QByteArray& encoded);
    /// Peak signal-to-noise ratio in dB of `image` against `reference`, both
    /// on the 8-bit scale and of the same size; infinite when they agree.
    static double psnr(const vips::VImage& image, const vips::VImage& reference);
    /// Mean of all samples of the decoded file.
    static double mean(const QString& path);
};
