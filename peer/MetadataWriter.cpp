#include "MetadataWriter.h"

#include "MediaReader.h"
#include "PeerError.h"

#include <QFile>
#include <QSaveFile>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>

#include <unistd.h>

namespace {

[[noreturn]] void writeFailed(const QString& path, const QString& why)
{
    throw PeerError(PeerError::Code::MetadataFailed,
                    QStringLiteral("cannot write metadata into %1: %2").arg(path, why));
}

Exiv2::URational rational(double value, int denominator)
{
    return {uint32_t(std::lround(std::fabs(value) * denominator)), uint32_t(denominator)};
}

void setGps(Exiv2::ExifData& exif, const char* key, const char* refKey, double degrees,
            const char* positive, const char* negative)
{
    const double magnitude = std::fabs(degrees);
    const double whole = std::floor(magnitude);
    const double minutes = std::floor((magnitude - whole) * 60);
    const double seconds = ((magnitude - whole) * 60 - minutes) * 60;
    Exiv2::URationalValue value;
    value.value_ = {rational(whole, 1), rational(minutes, 1), rational(seconds, 1000)};
    exif[key].setValue(&value);
    exif[refKey] = std::string(degrees < 0 ? negative : positive);
}

void fillExif(Exiv2::ExifData& exif, const MetadataWriter::Metadata& metadata)
{
    for (const auto& [name, value] : metadata.exif) {
        if (name == QLatin1String("ImageDate")) {
            const std::string text =
                value.metaType().id() == QMetaType::QDateTime
                    ? MediaReader::formatExifDate(value.toDateTime()).toStdString()
                    : value.toString().toStdString();
            exif["Exif.Photo.DateTimeOriginal"] = text;
            exif["Exif.Image.DateTime"] = text;
            continue;
        }
        for (const MediaReader::ExifField& field : MediaReader::exifFields()) {
            if (field.name != name || !field.key || name == QLatin1String("ImageDate"))
                continue;
            switch (field.type) {
            case MediaReader::ExifType::Integer:
                exif[field.key] = uint16_t(std::clamp<qint64>(value.toLongLong(), 0, 65535));
                break;
            case MediaReader::ExifType::Real:
                exif[field.key] = rational(value.toDouble(), 100);
                break;
            case MediaReader::ExifType::Text:
            case MediaReader::ExifType::Date: {
                Exiv2::Exifdatum& datum = exif[field.key];
                if (datum.setValue(value.toString().toStdString()) != 0)
                    exif.erase(exif.findKey(Exiv2::ExifKey(field.key)));
                break;
            }
            }
        }
    }
    if (metadata.width > 0) {
        exif["Exif.Photo.PixelXDimension"] = uint32_t(metadata.width);
        exif["Exif.Photo.PixelYDimension"] = uint32_t(metadata.height);
    }
    if (metadata.latitude != 0.0 && metadata.longitude != 0.0) {
        Exiv2::Value::AutoPtr bytes = Exiv2::Value::create(Exiv2::unsignedByte);
        bytes->read("2 3 0 0");
        exif["Exif.GPSInfo.GPSVersionID"].setValue(bytes.get());
        setGps(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", metadata.latitude,
               "N", "S");
        setGps(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef",
               metadata.longitude, "E", "W");
    }
}

void fillIptc(Exiv2::IptcData& iptc, const MetadataWriter::Metadata& metadata)
{
    iptc["Iptc.Envelope.CharacterSet"] = std::string("\x1b%G"); // UTF-8
    for (const auto& [name, value] : metadata.iptc) {
        try {
            iptc[QString(QStringLiteral("Iptc.Application2.") + name).toStdString()] =
                value.toStdString();
        } catch (const Exiv2::AnyError&) {
            // A field IPTC does not define (a custom name): it stays in the
            // library and in the XMP, not in the IPTC block.
        }
    }
    for (const QString& keyword : metadata.keywords) {
        Exiv2::Iptcdatum datum(Exiv2::IptcKey("Iptc.Application2.Keywords"));
        datum.setValue(keyword.toStdString());
        iptc.add(datum);
    }
}

void fillXmp(Exiv2::XmpData& xmp, const MetadataWriter::Metadata& metadata)
{
    if (!metadata.keywords.isEmpty()) {
        Exiv2::Value::AutoPtr bag = Exiv2::Value::create(Exiv2::xmpBag);
        for (const QString& keyword : metadata.keywords)
            bag->read(keyword.toStdString());
        xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), bag.get());
    }
    if (!metadata.title.isEmpty())
        xmp["Xmp.dc.title"] =
            QString(QStringLiteral("lang=x-default ") + metadata.title).toStdString();
    xmp["Xmp.xmp.Rating"] = std::to_string(metadata.rating);
}

/// The bytes of the file, or a failure naming it.
QByteArray wholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        writeFailed(path, file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        writeFailed(path, file.errorString());
    return bytes;
}

/// The file's bytes with its metadata changed, worked out in memory.
QByteArray withChangedMetadata(const QString& path, const QByteArray& bytes,
                               const std::function<void(Exiv2::Image&)>& change)
{
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
        image->readMetadata();
        change(*image);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0)
            writeFailed(path, QStringLiteral("the rewritten image cannot be read back"));
        const Exiv2::DataBuf data = io.read(long(io.size()));
        return QByteArray(reinterpret_cast<const char*>(data.pData_), qsizetype(data.size_));
    } catch (const Exiv2::AnyError& error) {
        writeFailed(path, QString::fromStdString(error.what()));
    }
}

/// Replaces the file by `bytes` all at once: they go into a temporary file
/// in the same folder, reach the disk, and only then take the file's name.
/// A kill or a full disk part-way leaves the old file whole and the
/// temporary one is removed (by QSaveFile when it is not committed).
void replaceWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        writeFailed(path, file.errorString());
    if (::fsync(file.handle()) != 0)
        writeFailed(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.commit())
        writeFailed(path, file.errorString());
}

/// Changes the metadata of a file that must never be seen half-written.
void rewriteMetadata(const QString& path, const std::function<void(Exiv2::Image&)>& change)
{
    replaceWhole(path, withChangedMetadata(path, wholeFile(path), change));
}

} // namespace

void MetadataWriter::embed(const QString& path, const Metadata& metadata)
{
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        fillExif(image->exifData(), metadata);
        fillIptc(image->iptcData(), metadata);
        fillXmp(image->xmpData(), metadata);
        image->writeMetadata();
    } catch (const Exiv2::AnyError& error) {
        writeFailed(path, QString::fromStdString(error.what()));
    }
}

void MetadataWriter::writeSidecar(const QString& path, const Metadata& metadata)
{
    std::string packet;
    try {
        Exiv2::ExifData exif;
        Exiv2::IptcData iptc;
        Exiv2::XmpData xmp;
        fillExif(exif, metadata);
        fillIptc(iptc, metadata);
        Exiv2::copyExifToXmp(exif, xmp);
        Exiv2::copyIptcToXmp(iptc, xmp);
        const auto subject = xmp.findKey(Exiv2::XmpKey("Xmp.dc.subject"));
        if (subject != xmp.end())
            xmp.erase(subject);
        fillXmp(xmp, metadata);
        if (Exiv2::XmpParser::encode(packet, xmp) != 0)
            writeFailed(path, QStringLiteral("the XMP packet could not be encoded"));
    } catch (const Exiv2::AnyError& error) {
        writeFailed(path, QString::fromStdString(error.what()));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(packet.data(), qint64(packet.size())) < 0 ||
        !file.commit())
        writeFailed(path, file.errorString());
}

void MetadataWriter::writeImageDate(const QString& path, const QDateTime& date)
{
    const std::string text = MediaReader::formatExifDate(date).toStdString();
    rewriteMetadata(path, [&](Exiv2::Image& image) {
        Exiv2::ExifData& exif = image.exifData();
        exif["Exif.Photo.DateTimeOriginal"] = text;
        exif["Exif.Image.DateTime"] = text;
    });
}
