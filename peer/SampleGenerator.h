#pragma once

#include <QString>

/// Makes a sample library, the same for the same options on every run:
/// synthetic camera RAW masters (DNG with a real Bayer mosaic) carrying an
/// EXIF date, camera, lens and exposure facts, a GPS position (most of
/// them), keywords and IPTC fields; some of them RAW+JPEG pairs; spread over
/// projects and albums, with ratings, flags, some adjustments, and all of
/// them selected. On request some images have no metadata at all, or a
/// date that does not parse.
///
/// Masters are moved into the library, or, with a reference folder, written
/// there and referenced. Runs on the calling thread; errors throw PeerError.
class SampleGenerator {
public:
    struct Options {
        quint64 seed = 1;
        int count = 12;
        int pairs = 0;
        /// The first `bare` images are plain JPEG files without any metadata.
        int bare = 0;
        /// The last `textDates` images carry a date that is no date
        /// ("0000:00:00 00:00:00"), which the library keeps as text.
        int textDates = 0;
        double maxMegapixels = 24;
        int projects = 1;
        int albums = 2;
        QString referenceFolder;
    };

    /// Creates the library at `libraryPath` and fills it.
    static void generate(const QString& libraryPath, const Options& options);
};
