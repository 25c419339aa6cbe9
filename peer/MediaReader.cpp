#include "MediaReader.h"

#include "PeerError.h"

#include <QFileInfo>
#include <QSet>

#include <exiv2/exiv2.hpp>
#include <libraw/libraw.h>
#include <vips/vips8>

#include <memory>

namespace {

const QSet<QString>& rawExtensions()
{
    static const QSet<QString> set = {
        QStringLiteral("dng"), QStringLiteral("cr2"), QStringLiteral("cr3"), QStringLiteral("crw"),
        QStringLiteral("nef"), QStringLiteral("nrw"), QStringLiteral("arw"), QStringLiteral("srf"),
        QStringLiteral("sr2"), QStringLiteral("orf"), QStringLiteral("rw2"), QStringLiteral("raf"),
        QStringLiteral("pef"), QStringLiteral("srw"), QStringLiteral("rwl"), QStringLiteral("3fr"),
        QStringLiteral("erf"), QStringLiteral("kdc"), QStringLiteral("dcr"), QStringLiteral("mrw"),
        QStringLiteral("x3f"), QStringLiteral("iiq"), QStringLiteral("mos"), QStringLiteral("mef")};
    return set;
}

[[noreturn]] void unsupported(const QString& path, const QString& why)
{
    throw PeerError(PeerError::Code::UnsupportedFile,
                    QStringLiteral("%1 is not an image the library can read: %2").arg(path, why));
}

QPair<int, int> rawSize(const QString& path)
{
    auto raw = std::make_unique<LibRaw>();
    const int code = raw->open_file(QFile::encodeName(path).constData());
    if (code != LIBRAW_SUCCESS)
        unsupported(path, QString::fromUtf8(libraw_strerror(code)));
    const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
    if (sizes.width == 0 || sizes.height == 0)
        unsupported(path, QStringLiteral("it has no image"));
    if (sizes.flip & 4)
        return {sizes.height, sizes.width};
    return {sizes.width, sizes.height};
}

QPair<int, int> headerSize(const QString& path)
{
    try {
        vips::VImage image = vips::VImage::new_from_file(
            QFile::encodeName(path).constData(),
            vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        int orientation = 1;
        if (image.get_typeof(VIPS_META_ORIENTATION) != 0)
            orientation = image.get_int(VIPS_META_ORIENTATION);
        if (orientation >= 5 && orientation <= 8)
            return {image.height(), image.width()};
        return {image.width(), image.height()};
    } catch (const vips::VError& error) {
        unsupported(path, QString::fromUtf8(error.what()).trimmed());
    }
}

std::optional<double> gpsCoordinate(const Exiv2::ExifData& exif, const char* key,
                                    const char* refKey)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() < 3)
        return std::nullopt;
    double degrees = 0;
    for (int i = 0; i < 3; ++i) {
        const Exiv2::Rational r = it->toRational(i);
        if (r.second == 0)
            return std::nullopt;
        degrees += double(r.first) / r.second / (i == 0 ? 1 : i == 1 ? 60 : 3600);
    }
    const auto ref = exif.findKey(Exiv2::ExifKey(refKey));
    if (ref != exif.end()) {
        const std::string side = ref->toString();
        if (side == "S" || side == "W")
            degrees = -degrees;
    }
    return degrees;
}

std::optional<double> gpsAltitude(const Exiv2::ExifData& exif)
{
    const auto it = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSAltitude"));
    if (it == exif.end())
        return std::nullopt;
    const Exiv2::Rational r = it->toRational(0);
    if (r.second == 0)
        return std::nullopt;
    double altitude = double(r.first) / r.second;
    const auto ref = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSAltitudeRef"));
    if (ref != exif.end() && ref->toLong() == 1)
        altitude = -altitude;
    return altitude;
}

QVariant exifValue(const Exiv2::Exifdatum& datum, MediaReader::ExifType type)
{
    const QString text = QString::fromStdString(datum.toString()).trimmed();
    switch (type) {
    case MediaReader::ExifType::Integer:
        return QVariant::fromValue<qint64>(datum.toLong());
    case MediaReader::ExifType::Real: {
        const Exiv2::Rational r = datum.toRational(0);
        return r.second != 0 ? double(r.first) / r.second : double(datum.toFloat());
    }
    case MediaReader::ExifType::Date: {
        const auto date = MediaReader::parseExifDate(text);
        return date ? QVariant(*date) : QVariant(text);
    }
    case MediaReader::ExifType::Text:
        break;
    }
    return text;
}

void readExif(const Exiv2::ExifData& exif, MediaReader::Info& info)
{
    if (exif.empty())
        return;
    for (const MediaReader::ExifField& field : MediaReader::exifFields()) {
        if (field.name == QLatin1String("ImageDate")) {
            auto it = exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"));
            if (it == exif.end())
                it = exif.findKey(Exiv2::ExifKey(field.key));
            if (it != exif.end())
                info.exif.append({field.name, exifValue(*it, field.type)});
            continue;
        }
        if (!field.key) {
            const QVariant value = field.name == QLatin1String("PixelWidth") ? QVariant(info.width)
                                   : field.name == QLatin1String("PixelHeight")
                                       ? QVariant(info.height)
                                       : QVariant();
            if (value.isValid())
                info.exif.append({field.name, QVariant::fromValue<qint64>(value.toInt())});
            continue;
        }
        const auto it = exif.findKey(Exiv2::ExifKey(field.key));
        if (it != exif.end() && it->count() > 0)
            info.exif.append({field.name, exifValue(*it, field.type)});
    }
    info.latitude = gpsCoordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef");
    info.longitude =
        gpsCoordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef");
    if (info.latitude && info.longitude) {
        info.exif.append({QStringLiteral("Latitude"), *info.latitude});
        info.exif.append({QStringLiteral("Longitude"), *info.longitude});
        if (const auto altitude = gpsAltitude(exif))
            info.exif.append({QStringLiteral("Altitude"), *altitude});
    }
}

void readIptcAndKeywords(const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp,
                         MediaReader::Info& info)
{
    int keywordsAt = -1;
    for (const Exiv2::Iptcdatum& datum : iptc) {
        if (datum.record() != Exiv2::IptcDataSets::application2 ||
            datum.tag() == Exiv2::IptcDataSets::RecordVersion)
            continue;
        const QString value = QString::fromStdString(datum.toString()).trimmed();
        if (datum.tag() == Exiv2::IptcDataSets::Keywords) {
            if (keywordsAt < 0)
                keywordsAt = int(info.iptc.size());
            if (!value.isEmpty() && !info.keywords.contains(value))
                info.keywords.append(value);
            continue;
        }
        const QString name = QString::fromStdString(datum.tagName());
        bool seen = false;
        for (const auto& entry : std::as_const(info.iptc))
            seen = seen || entry.first == name;
        if (!seen)
            info.iptc.append({name, value});
    }
    const auto subject = xmp.findKey(Exiv2::XmpKey("Xmp.dc.subject"));
    if (subject != xmp.end()) {
        for (long i = 0; i < subject->count(); ++i) {
            const QString keyword = QString::fromStdString(subject->toString(i)).trimmed();
            if (!keyword.isEmpty() && !info.keywords.contains(keyword))
                info.keywords.append(keyword);
        }
    }
    if (keywordsAt >= 0)
        info.iptc.insert(keywordsAt,
                         {QStringLiteral("Keywords"), info.keywords.join(QStringLiteral(", "))});
}

} // namespace

const QList<MediaReader::ExifField>& MediaReader::exifFields()
{
    static const QList<ExifField> fields = {
        {QStringLiteral("ImageDate"), "Exif.Image.DateTime", ExifType::Date},
        {QStringLiteral("Make"), "Exif.Image.Make", ExifType::Text},
        {QStringLiteral("Model"), "Exif.Image.Model", ExifType::Text},
        {QStringLiteral("LensModel"), "Exif.Photo.LensModel", ExifType::Text},
        {QStringLiteral("ExposureTime"), "Exif.Photo.ExposureTime", ExifType::Text},
        {QStringLiteral("FNumber"), "Exif.Photo.FNumber", ExifType::Real},
        {QStringLiteral("ISOSpeedRating"), "Exif.Photo.ISOSpeedRatings", ExifType::Integer},
        {QStringLiteral("FocalLength"), "Exif.Photo.FocalLength", ExifType::Real},
        {QStringLiteral("Software"), "Exif.Image.Software", ExifType::Text},
        {QStringLiteral("PixelWidth"), nullptr, ExifType::Integer},
        {QStringLiteral("PixelHeight"), nullptr, ExifType::Integer},
    };
    return fields;
}

QString MediaReader::kindForPath(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return QStringLiteral("jpeg");
    if (extension == QLatin1String("tif") || extension == QLatin1String("tiff"))
        return QStringLiteral("tiff");
    if (extension == QLatin1String("png"))
        return QStringLiteral("png");
    if (rawExtensions().contains(extension))
        return QStringLiteral("raw");
    return {};
}

QPair<int, int> MediaReader::pixelSize(const QString& path, const QString& kind)
{
    return kind == QLatin1String("raw") ? rawSize(path) : headerSize(path);
}

MediaReader::Info MediaReader::read(const QString& path)
{
    Info info;
    info.kind = kindForPath(path);
    if (info.kind.isEmpty())
        unsupported(path, QStringLiteral("its kind is not known by its name"));
    if (!QFileInfo(path).isFile())
        unsupported(path, QStringLiteral("it is not a file"));
    const QPair<int, int> size = pixelSize(path, info.kind);
    info.width = size.first;
    info.height = size.second;
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        readExif(image->exifData(), info);
        readIptcAndKeywords(image->iptcData(), image->xmpData(), info);
    } catch (const Exiv2::AnyError&) {
        // No metadata the library can read: the image imports without it.
    }
    return info;
}

std::optional<QDateTime> MediaReader::parseExifDate(const QString& text)
{
    if (text.size() < 19 || text.at(10) != QLatin1Char(' '))
        return std::nullopt;
    const QDate day = QDate::fromString(text.left(10), QStringLiteral("yyyy:MM:dd"));
    const QTime time = QTime::fromString(text.mid(11, 8), QStringLiteral("HH:mm:ss"));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(day, time, Qt::UTC);
}

QString MediaReader::formatExifDate(const QDateTime& date)
{
    return date.toUTC().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}
