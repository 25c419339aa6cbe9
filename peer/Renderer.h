#pragma once

#include "CatalogRecords.h"
#include "ExportSetting.h"

#include <vips/vips8>

/// Renders an image version as an export setting asks: the master developed
/// (RAW files with LibRaw, others with libvips), brought to the version's
/// pixel size, its adjustments applied (exposure in stops, in linear light;
/// then the rotation, clockwise), then scaled and written in the setting's
/// format and depth with no metadata of its own (MetadataWriter adds it).
///
/// Before it decodes or allocates, every pixel size a header or the library
/// claims is checked against MaxPixels, so that a damaged or hostile file
/// fails at once instead of filling memory or the disk.
///
/// Stateless; any thread once main() has initialised libvips. Failures throw
/// PeerError (ExportFailed) naming the file and the library's words.
class Renderer {
public:
    /// The most pixels an image may have: a gigapixel. The largest camera
    /// sensors give about 150 million pixels, about 400 million in their
    /// multi-shot modes, so no real photograph comes near; a 16-bit RGB
    /// gigapixel is still 6 GB, the most the library will let a file cost.
    static constexpr qint64 MaxPixels = 1'000'000'000;
    /// Throws unless width × height is a real pixel size within MaxPixels.
    static void checkPixelSize(const QString& path, qint64 width, qint64 height);

    /// The developed version: 3-band RGB, 16 bits per channel.
    static vips::VImage develop(const MasterFileRecord& master, const VersionRecord& version);
    /// Writes `image` through the setting to `path`.
    static void save(const vips::VImage& image, const ExportSetting& setting, const QString& path);

private:
    static vips::VImage developRaw(const QString& path);
    static vips::VImage load(const QString& path);
};
