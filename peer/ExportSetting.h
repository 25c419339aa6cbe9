#pragma once

#include "ServeOptions.h"

#include <QList>
#include <QString>

/// A named export setting: the file format, the bits per channel and the
/// size an export through it renders at.
///
/// The library offers a fixed stock set; serve options can leave out or
/// alter the 16-bit TIFF setting for tests. Plain value; any thread.
class ExportSetting {
public:
    enum class Format { Tiff, Jpeg, Png };

    ExportSetting(QString name, Format format, int depth, int fitWithin = 0, double scale = 1.0);

    QString name() const { return m_name; }
    Format format() const { return m_format; }
    /// 8 or 16 bits per channel.
    int depth() const { return m_depth; }
    /// Largest width and height, 0 for the version's own size.
    int fitWithin() const { return m_fitWithin; }
    double scale() const { return m_scale; }
    /// ".tif", ".jpg" or ".png".
    QString extension() const;

    /// The pixel size an image of `width` × `height` is written at.
    QPair<int, int> outputSize(int width, int height) const;

    /// The settings a server offers, in order.
    static QList<ExportSetting> offered(ServeOptions::TiffSetting tiff);

private:
    QString m_name;
    Format m_format;
    int m_depth;
    int m_fitWithin;
    double m_scale;
};
