#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>

#include <exiv2/exiv2.hpp>

#include <memory>

/// Where an image comes from: a file or bytes in memory. The bytes must
/// outlive every library object opened on them (neither libvips nor Exiv2
/// copies them).
struct ImageInput {
    QString path;
    QByteArray bytes;
    bool inMemory = false;

    QString describe() const;
};

enum class ImageFormat { Unknown, Jpeg, Png, Tiff, Dng, CameraRaw };

/// Tells the image formats of this layer apart by their content, never by
/// the file name: JPEG and PNG by their signature; TIFF containers by their
/// first image directories, because DNG and most camera RAW formats are TIFF
/// containers too. Internal to the image layer; any thread.
class ImageType {
public:
    /// The format, or Unknown. `exif` is the container's metadata when the
    /// caller has already read it; otherwise a TIFF container is read here.
    static ImageFormat identify(const ImageInput& input, const Exiv2::ExifData* exif = nullptr);
    static QString identifier(ImageFormat format);
    static bool isRaw(ImageFormat format)
    {
        return format == ImageFormat::Dng || format == ImageFormat::CameraRaw;
    }

    /// Exiv2's view of the input with its metadata read (null when Exiv2
    /// does not know the format); a failure, in Exiv2's words, when the file
    /// does not read.
    static Result<std::shared_ptr<Exiv2::Image>> openMetadata(const ImageInput& input);

private:
    static QByteArray head(const ImageInput& input);
    static ImageFormat classifyTiff(const QByteArray& head, const Exiv2::ExifData& exif);
};
