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
/// Stateless; any thread once main() has initialised libvips. Failures throw
/// PeerError("ExportFailed") naming the file and the library's words.
class Renderer {
public:
    /// The developed version: 3-band RGB, 16 bits per channel.
    static vips::VImage develop(const MasterFileRecord& master, const VersionRecord& version);
    /// Writes `image` through the setting to `path`.
    static void save(const vips::VImage& image, const ExportSetting& setting, const QString& path);

private:
    static vips::VImage developRaw(const QString& path);
    static vips::VImage load(const QString& path);
};
