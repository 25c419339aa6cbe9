#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

/// The small decisions of the runs, as pure functions: the keyword parent
/// chain, the sidecar beside an exported file, which export setting keeps
/// the adjustments, the closing statistics, and which files of a RAW+JPEG
/// pair are kept or deleted. Callable from any thread; no state.
class RunRules {
public:
    /// Comma-separated parent keywords, reversed and joined by tabs: "A,B,C"
    /// gives "C\tB\tA". Pieces are not trimmed; a null text counts as empty.
    static QString parentChain(const QString& parentKeywords);

    /// The ".XMP" sidecar of an exported file: its path with the last
    /// extension replaced by ".XMP" (IMG_1.tif gives IMG_1.XMP).
    static QString sidecarPath(const QString& exportedPath);

    /// Whether an export setting renders the full-size 16-bit TIFF: its name
    /// contains "TIFF -" (case as written) and "(16-bit)" or "(16 bits)" in
    /// any case.
    static bool isSixteenBitTiffSetting(const QString& name);

    /// The closing message of a conversion run, megabytes of 1024 x 1024.
    static QString statisticsMessage(qint64 originalSize, qint64 convertedSize);

    /// The closing message of an estimate: what it covered, then the figures
    /// as the closing statistics give them. `sampled` of `candidates` images
    /// were rendered; fewer means the figures are extrapolated.
    static QString estimateMessage(qint64 originalSize, qint64 convertedSize, qsizetype sampled,
                                   qsizetype candidates);

    /// `count` indices out of 0 .. `total` - 1, evenly spread, in order: the
    /// middle of each of `count` equal stretches. All of them when `count`
    /// is 0 or not below `total`.
    static QList<qsizetype> evenSample(qsizetype total, qsizetype count);

    /// Megabytes of 1024 x 1024 with two decimals, as the statistics show them.
    static QString megabytes(qint64 bytes);

    /// The file name extension: the text after the last dot of the name
    /// (empty without a dot).
    static QString extension(const QString& fileName);

    /// Whether a pair file is a photo: a JPEG, or an extension the image layer
    /// decodes, in any letter case (".Cr2" as much as ".CR2").
    static bool isImageFile(const QString& path, const QStringList& imageTypes,
                            const std::function<bool(const QString&)>& isJpeg);

    /// The log line for a pair whose original stays as it was: `imageFiles`
    /// photos among the kept files, `lost` of them made no new image.
    static QString pairLeftMessage(const QString& masterName, qsizetype imageFiles, qsizetype lost);

    /// How the exported files of one RAW+JPEG pair are treated.
    struct PairPlan {
        QStringList kept;    ///< imported, in export order
        QStringList deleted; ///< removed from the work folder at once
    };
    /// Sorts a pair's exported files for a processing option (2 keeps every
    /// file, 3 the non-JPEG ones, 4 the JPEG ones). Directories are neither
    /// kept nor deleted.
    static PairPlan planPair(const QStringList& files, qint64 option,
                             const std::function<bool(const QString&)>& isDirectory,
                             const std::function<bool(const QString&)>& isJpeg);
};
