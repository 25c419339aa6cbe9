#pragma once

#include <QDateTime>
#include <QString>

class SyntheticScene;

/// Writes a scene as a camera RAW file: a DNG holding a 16-bit RGGB Bayer
/// mosaic (14 bits used, black level 256) with the tags LibRaw needs to
/// develop it (DNG version, CFA pattern, black and white levels, a colour
/// matrix for linear sRGB primaries, an as-shot neutral), written with libtiff.
///
/// Stateless; any thread. Failures throw PeerError (Io) naming the file.
class DngWriter {
public:
    static void write(const QString& path, const SyntheticScene& scene, int width, int height,
                      const QString& make, const QString& model, const QDateTime& date);
};
