#include "ExifBlock_p.h"

#include <QSet>
#include <QVariantList>

#include <algorithm>
#include <functional>

namespace {
// IFD0 tags that describe the picture rather than the file's pixel layout.
const QSet<QString>& descriptiveImageTags()
{
    static const QSet<QString> tags{
        QStringLiteral("ImageDescription"),
        QStringLiteral("Make"),
        QStringLiteral("Model"),
        QStringLiteral("Orientation"),
        QStringLiteral("XResolution"),
        QStringLiteral("YResolution"),
        QStringLiteral("ResolutionUnit"),
        QStringLiteral("Software"),
        QStringLiteral("DateTime"),
        QStringLiteral("Artist"),
        QStringLiteral("HostComputer"),
        QStringLiteral("Copyright"),
        QStringLiteral("DocumentName"),
        QStringLiteral("WhitePoint"),
        QStringLiteral("PrimaryChromaticities"),
        QStringLiteral("YCbCrCoefficients"),
        QStringLiteral("YCbCrPositioning"),
        QStringLiteral("ReferenceBlackWhite"),
        QStringLiteral("DateTimeOriginal"),
        QStringLiteral("Rating"),
        QStringLiteral("RatingPercent"),
        QStringLiteral("XPTitle"),
        QStringLiteral("XPComment"),
        QStringLiteral("XPAuthor"),
        QStringLiteral("XPKeywords"),
        QStringLiteral("XPSubject"),
        QStringLiteral("CameraSerialNumber"),
        QStringLiteral("LensInfo"),
        QStringLiteral("ImageNumber"),
        QStringLiteral("TimeZoneOffset"),
    };
    return tags;
}

enum class Part { None, Tiff, Exif, Gps };

Part partOf(const Exiv2::Exifdatum& datum)
{
    const std::string group = datum.groupName();
    if (group == "Image")
        return descriptiveImageTags().contains(QString::fromStdString(datum.tagName()))
                   ? Part::Tiff
                   : Part::None;
    if (group == "Photo" || group == "Iop" || Exiv2::ExifTags::isMakerGroup(group))
        return Part::Exif;
    if (group == "GPSInfo")
        return Part::Gps;
    return Part::None;
}

QVariant number(const Exiv2::Exifdatum& datum, long n)
{
    switch (datum.typeId()) {
    case Exiv2::unsignedRational:
    case Exiv2::signedRational: {
        const Exiv2::Rational r = datum.toRational(n);
        return r.second == 0 ? QVariant() : QVariant(double(r.first) / double(r.second));
    }
    case Exiv2::tiffFloat:
    case Exiv2::tiffDouble:
        return QVariant(double(datum.toFloat(n)));
    default:
        return QVariant(qint64(datum.toLong(n)));
    }
}

// A readable value: text for strings, numbers (a list when there are
// several), bytes for undefined data.
QVariant readable(const Exiv2::Exifdatum& datum)
{
    switch (datum.typeId()) {
    case Exiv2::asciiString:
    case Exiv2::comment: {
        QString text = QString::fromUtf8(datum.toString().c_str());
        while (text.endsWith(QChar(0)))
            text.chop(1);
        return text;
    }
    case Exiv2::undefined:
    case Exiv2::unsignedByte:
    case Exiv2::signedByte: {
        if (datum.count() <= 4 && datum.typeId() != Exiv2::undefined)
            break;
        QByteArray bytes(static_cast<qsizetype>(datum.size()), Qt::Uninitialized);
        datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
        return bytes;
    }
    default:
        break;
    }
    if (datum.count() == 1)
        return number(datum, 0);
    QVariantList values;
    for (long n = 0; n < datum.count(); ++n)
        values.append(number(datum, n));
    return values;
}

Exiv2::ExifData selected(const Exiv2::ExifData& source, ExifBlock::Selection selection)
{
    Exiv2::ExifData out;
    for (const Exiv2::Exifdatum& datum : source) {
        const Part part = partOf(datum);
        if ((part == Part::Tiff && selection.tiff) || (part == Part::Exif && selection.exif) ||
            (part == Part::Gps && selection.gps))
            out.add(datum);
    }
    return out;
}

QByteArray encode(const Exiv2::ExifData& data, Exiv2::ByteOrder order)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order, data);
    return QByteArray(reinterpret_cast<const char*>(blob.data()),
                      static_cast<qsizetype>(blob.size()));
}

void eraseIf(Exiv2::ExifData& data, const std::function<bool(const Exiv2::Exifdatum&)>& drop)
{
    for (auto it = data.begin(); it != data.end();)
        it = drop(*it) ? data.erase(it) : std::next(it);
}
// Exiv2's errors, std::bad_alloc and the like: the step and the library's words.
Failure failure(const char* step, const std::exception& e)
{
    return Failure(QStringLiteral("EXIF cannot be %1: %2")
                       .arg(QLatin1String(step), QString::fromLocal8Bit(e.what())));
}
} // namespace

Result<QByteArray> ExifBlock::read(const Exiv2::ExifData& source, Exiv2::ByteOrder order,
                                   QVariantMap* properties)
{
    try {
        const Exiv2::ExifData carried = selected(source, {true, true, true});
        if (carried.empty())
            return QByteArray();
        QVariantMap tiff, exif, gps;
        for (const Exiv2::Exifdatum& datum : carried) {
            const Part part = partOf(datum);
            const std::string group = datum.groupName();
            if (part == Part::Exif && group != "Photo" && group != "Iop")
                continue; // maker notes travel but are not spelled out
            QVariantMap& dictionary = part == Part::Tiff ? tiff : (part == Part::Gps ? gps : exif);
            dictionary.insert(QString::fromStdString(datum.tagName()), readable(datum));
        }
        if (!tiff.isEmpty())
            properties->insert(QStringLiteral("{TIFF}"), tiff);
        if (!exif.isEmpty())
            properties->insert(QStringLiteral("{Exif}"), exif);
        if (!gps.isEmpty())
            properties->insert(QStringLiteral("{GPS}"), gps);
        if (tiff.contains(QStringLiteral("Orientation")))
            properties->insert(QStringLiteral("Orientation"),
                               tiff.value(QStringLiteral("Orientation")));
        if (order == Exiv2::invalidByteOrder)
            order = Exiv2::littleEndian;
        return encode(carried, order);
    } catch (const std::exception& e) {
        return failure("read", e);
    }
}

Result<QByteArray> ExifBlock::forJpeg(const QByteArray& block, Selection selection, int width,
                                      int height)
{
    if (block.isEmpty() || !(selection.tiff || selection.exif || selection.gps))
        return QByteArray();
    try {
        Exiv2::ExifData parsed;
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
            parsed, reinterpret_cast<const Exiv2::byte*>(block.constData()),
            static_cast<uint32_t>(block.size()));
        Exiv2::ExifData data = selected(parsed, selection);
        if (selection.exif) {
            data["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(width);
            data["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(height);
        }
        if (data.empty())
            return QByteArray();
        QByteArray out = encode(data, order);
        if (out.size() <= kMaxJpegSize)
            return out;
        eraseIf(data, [](const Exiv2::Exifdatum& d) {
            return Exiv2::ExifTags::isMakerGroup(d.groupName()) ||
                   d.key() == "Exif.Photo.MakerNote";
        });
        out = encode(data, order);
        if (out.size() <= kMaxJpegSize)
            return out;
        eraseIf(data, [](const Exiv2::Exifdatum& d) { return d.size() > 4096; });
        out = encode(data, order);
        return out.size() <= kMaxJpegSize ? out : QByteArray();
    } catch (const std::exception& e) {
        return failure("encode", e);
    }
}
