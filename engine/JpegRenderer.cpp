#include "JpegRenderer.h"

#include "core/SystemLog.h"
#include "imageio/Bitmap.h"
#include "imageio/ImageSource.h"
#include "imageio/JpegDestination.h"
#include "imageio/ScreenFactor.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A hidden name beside `path` that no other writer in this process or any
// other uses.
QString temporaryNameBeside(const QString& path)
{
    static std::atomic<unsigned> counter{0};
    const QFileInfo info(path);
    return info.absolutePath() +
           QStringLiteral("/.%1.%2-%3.part").arg(info.fileName()).arg(::getpid()).arg(++counter);
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

// Writes `data` to `path` whole or not at all: a temporary file beside it,
// synced, then renamed over it. On failure nothing is left behind.
Result<void> writeWhole(const QString& path, const QByteArray& data)
{
    const QString temporary = temporaryNameBeside(path);
    const QByteArray temporaryName = QFile::encodeName(temporary);
    const int fd = ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return Failure(systemError());
    QString error;
    bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
    if (!ok)
        error = systemError();
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = systemError();
    }
    if (ok && ::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        ok = false;
        error = systemError();
    }
    if (ok)
        return {};
    ::unlink(temporaryName.constData());
    return Failure(error);
}
// A failure that is also a line of the log.
Failure logged(const QString& line)
{
    SystemLog::log(line);
    return Failure(line);
}
} // namespace

JpegRenderer::JpegRenderer(StatusCallback status, ScreenFactors screenFactors)
    : m_status(std::move(status)),
      m_screenFactors(screenFactors ? std::move(screenFactors)
                                    : ScreenFactors(&ScreenFactor::screenFactors))
{}

double JpegRenderer::screenFactor() const
{
    double factor = 1.0;
    for (double screen : m_screenFactors()) {
        if (screen > factor) {
            factor = screen;
            SystemLog::log(QString::asprintf("%f", factor));
        }
    }
    return factor;
}

Result<qint64> JpegRenderer::render(const QString& exportedFile, const QString& outputPath,
                                    const OutputSizeRule::Settings& size,
                                    const QVariant& compressionFactor) const
{
    m_status(QStringLiteral("Converting"));
    const ImageSource imageSource = ImageSource::fromFile(exportedFile);
    if (!imageSource.isValid())
        return Failure(QStringLiteral("the exported file does not open as an image"));
    QVariantMap properties = imageSource.propertiesAtIndex(0);
    properties.remove(ImageSource::IptcDictionary);
    // The exported XMP packet holds the original's keywords, rating and title,
    // which the library would read back on import: the new image takes those
    // from propagation alone.
    properties.remove(ImageSource::XmpData);

    // The size rule runs on the pixel size the source reports, before the
    // decode, so that a RAW decodes no larger than the output needs. A source
    // without a pixel header is decoded whole and measured as decoded.
    const int width = properties.value(ImageSource::PixelWidth).toInt();
    const int height = properties.value(ImageSource::PixelHeight).toInt();
    const bool sized = width > 0 && height > 0;
    OutputSizeRule::Result output = OutputSizeRule::apply(width, height, size);
    const Bitmap source = sized && output.redraw
                              ? Bitmap::fromFile(exportedFile, width, height, output.w, output.h)
                              : Bitmap::fromFile(exportedFile);
    if (!source.isValid())
        return logged(QStringLiteral("Could not decode image %1: %2")
                          .arg(exportedFile, source.errorString()));
    if (!sized)
        output = OutputSizeRule::apply(source.pixelsWide(), source.pixelsHigh(), size);

    Bitmap pixels = source;
    if (output.redraw) {
        // The drawing surface measures (w / F, h / F) points at F pixels per
        // point: w × h pixels, whatever F is.
        screenFactor();
        pixels = source.redrawn(output.w, output.h);
        if (!pixels.isValid())
            return logged(QStringLiteral("Could not draw image %1: %2")
                              .arg(exportedFile, pixels.errorString()));
    }

    QVariantMap options = properties;
    options.insert(JpegDestination::LossyCompressionQuality, compressionFactor);
    JpegDestination destination;
    destination.addImage(pixels, options);
    if (!destination.finalize()) {
        SystemLog::log(QStringLiteral("***Could not create data from image destination ***"));
        return logged(QStringLiteral("%1: %2").arg(exportedFile, destination.errorString()));
    }
    const QByteArray jpeg = destination.data();

    m_status(QStringLiteral("Importing"));
    if (const Result<void> written = writeWhole(outputPath, jpeg); !written)
        return logged(QStringLiteral("Could not write %1: %2").arg(outputPath, written.error()));
    return qint64(jpeg.size());
}
