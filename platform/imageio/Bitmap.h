#pragma once

#include <QString>

#include <memory>

struct BitmapData;

/// The pixels of an image: TIFF (8 and 16 bits per sample), JPEG, PNG,
/// camera RAW and DNG.
///
/// fromFile() reads the header and checks that the format decodes; the
/// pixels of TIFF, JPEG and PNG files then stream from the file while they
/// are drawn or encoded, so they can be read once: a Bitmap feeds one
/// redrawn() or one JpegDestination. A RAW file is decoded whole into memory
/// by fromFile(), at half size when the caller will draw it no larger than
/// that. Pixels are as stored: no rotation, no colour conversion.
///
/// Any thread, after ImageIO::initialize(); a Bitmap is not shared between
/// threads. Failures give an invalid Bitmap with errorString(); a file that
/// turns out damaged while its pixels stream makes the JpegDestination that
/// reads them fail. Nothing throws.
class Bitmap {
public:
    Bitmap();

    static Bitmap fromFile(const QString& path);
    /// The same, for pixels that will be drawn at `drawWidth` × `drawHeight`
    /// (lengths as redrawn() takes them) out of a source of `sourceWidth` ×
    /// `sourceHeight` pixels: a camera RAW that is at least twice that size in
    /// both directions is decoded at half its size, which a drawing of that
    /// size cannot tell from the full decode. pixelsWide() and pixelsHigh()
    /// then give the half size.
    static Bitmap fromFile(const QString& path, int sourceWidth, int sourceHeight, double drawWidth,
                           double drawHeight);

    bool isValid() const { return m_data != nullptr; }
    QString errorString() const { return m_error; }

    int pixelsWide() const;
    int pixelsHigh() const;
    int bitsPerSample() const;
    int samplesPerPixel() const;

    /// The image drawn into an 8-bit surface of exactly
    /// pixelLength(width) × pixelLength(height) pixels with Lanczos (3 lobes)
    /// interpolation. At its own size the pixels are only converted to 8 bits.
    /// A reduction by 3 or more in a direction first averages whole blocks of
    /// pixels (an integer factor that leaves at least 1.5 for Lanczos), which
    /// is much cheaper and within 40 dB PSNR of Lanczos alone.
    /// Invalid when either length has no pixel count or this Bitmap is invalid.
    Bitmap redrawn(double width, double height) const;

    /// The one rounding rule from a length in pixels to a pixel count: to the
    /// nearest whole pixel, halves up, at least 1 (so a positive length never
    /// gives an empty image). 0 for a length that is not a positive finite
    /// number or exceeds what the layer can draw.
    static int pixelLength(double length);

private:
    friend class JpegDestination;
    Bitmap(std::shared_ptr<const BitmapData> data);
    static Bitmap failed(const QString& error);

    std::shared_ptr<const BitmapData> m_data;
    QString m_error;
};
