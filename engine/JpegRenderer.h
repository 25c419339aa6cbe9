#pragma once

#include "OutputSizeRule.h"
#include "core/Result.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

/// The rendering step of the conversion run: one exported image file becomes
/// a JPEG at the output path, at the output size and quality chosen, carrying
/// the exported file's metadata except its IPTC block and its XMP packet
/// (both hold what the library turns into keywords, ratings and names).
///
/// Steps, in order: status "Converting"; decode the exported file; open it as
/// an image source and take its properties without "{IPTC}" and XMP (a source that
/// does not open fails silently; one that opens but does not decode fails
/// with a log line); the output size rule; for a redraw, the screen factor
/// (each larger factor logged with "%f") and a Lanczos redraw to exactly the
/// rule's size; JPEG encoding with the properties and the quality exactly as
/// given; status "Importing"; the write. The JPEG's length in bytes is the
/// result, for the caller to count.
///
/// The JPEG is written whole or not at all: it goes to a hidden temporary
/// file beside the output path, is synced and then renamed over the output
/// path. Any failure (encoding, no such folder, no permission, disk full, a
/// short write) removes the temporary file, logs a line and fails with that
/// line as the error text, so the image is skipped.
///
/// Called on the run thread. Status texts go to the callback given, which is
/// called on that same thread and must not block (the engine forwards them
/// to the main thread without waiting). Log lines go to SystemLog.
class JpegRenderer {
public:
    using StatusCallback = std::function<void(const QString&)>;
    using ScreenFactors = std::function<QList<double>()>;

    /// `screenFactors` lists the screens' pixels-per-point factors; by
    /// default ScreenFactor::screenFactors().
    explicit JpegRenderer(StatusCallback status, ScreenFactors screenFactors = {});

    /// The JPEG's length in bytes, or what went wrong.
    Result<qint64> render(const QString& exportedFile, const QString& outputPath,
                          const OutputSizeRule::Settings& size,
                          const QVariant& compressionFactor) const;

private:
    double screenFactor() const;

    StatusCallback m_status;
    ScreenFactors m_screenFactors;
};
