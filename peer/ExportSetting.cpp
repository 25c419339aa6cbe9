#include "ExportSetting.h"

#include <QPair>

#include <algorithm>
#include <cmath>

ExportSetting::ExportSetting(QString name, Format format, int depth, int fitWithin, double scale)
    : m_name(std::move(name)), m_format(format), m_depth(depth), m_fitWithin(fitWithin),
      m_scale(scale)
{}

QString ExportSetting::extension() const
{
    switch (m_format) {
    case Format::Tiff:
        return QStringLiteral(".tif");
    case Format::Jpeg:
        return QStringLiteral(".jpg");
    case Format::Png:
        return QStringLiteral(".png");
    }
    return {};
}

QPair<int, int> ExportSetting::outputSize(int width, int height) const
{
    double factor = m_scale;
    if (m_fitWithin > 0)
        factor = std::min({factor, double(m_fitWithin) / width, double(m_fitWithin) / height});
    if (factor >= 1.0)
        return {width, height};
    return {std::max(1, int(std::lround(width * factor))),
            std::max(1, int(std::lround(height * factor)))};
}

QList<ExportSetting> ExportSetting::offered(ServeOptions::TiffSetting tiff)
{
    const QString tiff16 = QStringLiteral("TIFF - Original Size (16-bit)");
    QList<ExportSetting> settings = {
        {QStringLiteral("JPEG - Original Size"), Format::Jpeg, 8},
        {QStringLiteral("JPEG - Fit within 1024 x 1024"), Format::Jpeg, 8, 1024},
        {QStringLiteral("PNG - Original Size"), Format::Png, 8},
        {QStringLiteral("TIFF - Original Size (8-bit)"), Format::Tiff, 8},
    };
    switch (tiff) {
    case ServeOptions::TiffSetting::Stock:
        settings.append({tiff16, Format::Tiff, 16});
        break;
    case ServeOptions::TiffSetting::Missing:
        break;
    case ServeOptions::TiffSetting::EightBit:
        settings.append({tiff16, Format::Tiff, 8});
        break;
    case ServeOptions::TiffSetting::HalfSize:
        settings.append({tiff16, Format::Tiff, 16, 0, 0.5});
        break;
    case ServeOptions::TiffSetting::Jpeg:
        settings.append({tiff16, Format::Jpeg, 8});
        break;
    }
    return settings;
}
