#include "SampleGenerator.h"

#include "Catalog.h"
#include "DngWriter.h"
#include "Importer.h"
#include "Library.h"
#include "MetadataWriter.h"
#include "PeerError.h"
#include "SampleRandom.h"
#include "SyntheticScene.h"
#include "Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <vips/vips8>

#include <cmath>

namespace {

struct Camera {
    const char* make;
    const char* model;
    const char* lens;
};

const Camera kCameras[] = {
    {"Photolib", "Synthetic One", "Synthetic 24-70mm f/2.8"},
    {"Photolib", "Synthetic Two", "Synthetic 50mm f/1.8"},
    {"Photolib", "Synthetic Pro", "Synthetic 70-200mm f/4"},
};

const char* const kKeywords[] = {"Landscape", "Family",  "Travel", "Sunset", "Mountains",
                                 "Beach",     "Friends", "Winter", "City",   "Garden"};
const char* const kCities[] = {"Reykjavik", "Lisbon", "Kyoto", "Valparaiso", "Tromso", "Hobart"};

/// The facts one sample image carries.
struct SampleImage {
    QString baseName;
    int width = 0;
    int height = 0;
    QDateTime date;
    const Camera* camera = nullptr;
    double exposureTime = 0; // seconds
    double fNumber = 0;
    int iso = 0;
    double focalLength = 0;
    bool hasGps = false;
    double latitude = 0;
    double longitude = 0;
    QStringList keywords;
    QString caption;
    QString city;
    bool pair = false;
    bool bare = false;
    bool textDate = false;
};

SampleImage describeImage(SampleRandom& random, int index, const SampleGenerator::Options& options)
{
    SampleImage image;
    image.baseName = QStringLiteral("IMG_%1").arg(index + 1, 4, 10, QLatin1Char('0'));
    const double megapixels = options.maxMegapixels * random.uniform(0.25, 1.0);
    int longSide = int(std::sqrt(megapixels * 1e6 * 1.5)) & ~1;
    int shortSide = int(longSide / 1.5) & ~1;
    longSide = std::max(longSide, 48);
    shortSide = std::max(shortSide, 32);
    const bool portrait = index % 4 == 3;
    image.width = portrait ? shortSide : longSide;
    image.height = portrait ? longSide : shortSide;
    image.date = QDateTime(QDate(2019, 1, 1), QTime(8, 0), Qt::UTC)
                     .addSecs(qint64(index) * 86400 * 3 + qint64(random.below(36000)));
    image.camera = &kCameras[random.below(std::size(kCameras))];
    image.exposureTime = 1.0 / double(30 << random.below(6));
    image.fNumber = 1.8 + 0.1 * double(random.below(80));
    image.iso = 100 << random.below(5);
    image.focalLength = double(24 + random.below(176));
    image.hasGps = random.below(4) != 0;
    image.latitude = random.uniform(-60, 70);
    image.longitude = random.uniform(-170, 170);
    const int keywordCount = int(random.below(4));
    for (int k = 0; k < keywordCount; ++k) {
        const QString keyword = QString::fromLatin1(kKeywords[random.below(std::size(kKeywords))]);
        if (!image.keywords.contains(keyword))
            image.keywords.append(keyword);
    }
    image.city = QString::fromLatin1(kCities[random.below(std::size(kCities))]);
    image.caption = QStringLiteral("Sample picture %1 taken in %2").arg(index + 1).arg(image.city);
    // Spread the pairs evenly over the images.
    image.bare = index < options.bare;
    image.textDate = !image.bare && index >= options.count - options.textDates;
    image.pair = !image.bare && options.count > 0 &&
                 (qint64(index) * options.pairs) / options.count !=
                     (qint64(index + 1) * options.pairs) / options.count;
    return image;
}

void writeMetadata(const QString& path, const SampleImage& image)
{
    MetadataWriter::Metadata metadata;
    metadata.exif = {
        {QStringLiteral("ImageDate"),
         image.textDate ? QVariant(QStringLiteral("0000:00:00 00:00:00")) : QVariant(image.date)},
        {QStringLiteral("Make"), QString::fromLatin1(image.camera->make)},
        {QStringLiteral("Model"), QString::fromLatin1(image.camera->model)},
        {QStringLiteral("LensModel"), QString::fromLatin1(image.camera->lens)},
        {QStringLiteral("ExposureTime"),
         QStringLiteral("1/%1").arg(std::lround(1.0 / image.exposureTime))},
        {QStringLiteral("FNumber"), image.fNumber},
        {QStringLiteral("ISOSpeedRating"), image.iso},
        {QStringLiteral("FocalLength"), image.focalLength},
    };
    metadata.iptc = {{QStringLiteral("Caption"), image.caption},
                     {QStringLiteral("City"), image.city},
                     {QStringLiteral("Byline"), QStringLiteral("Photolib Sampler")}};
    metadata.keywords = image.keywords;
    if (image.hasGps) {
        metadata.latitude = image.latitude;
        metadata.longitude = image.longitude;
    }
    MetadataWriter::embed(path, metadata);
}

void writeJpeg(const QString& path, const SyntheticScene& scene, int width, int height)
{
    std::vector<uint8_t> pixels = scene.srgbPixels(width, height);
    try {
        vips::VImage::new_from_memory(pixels.data(), pixels.size(), width, height, 3,
                                      VIPS_FORMAT_UCHAR)
            .jpegsave(QFile::encodeName(path).constData(),
                      vips::VImage::option()->set("Q", 88)->set("strip", true));
    } catch (const vips::VError& error) {
        throw PeerError(PeerError::Code::Io,
                        QStringLiteral("cannot write %1: %2")
                            .arg(path, QString::fromUtf8(error.what()).trimmed()));
    }
}

QStringList writeImage(const QString& folder, const SampleImage& image, quint64 seed)
{
    const SyntheticScene scene(seed);
    if (image.bare) {
        const QString jpeg = folder + QLatin1Char('/') + image.baseName + QStringLiteral(".JPG");
        writeJpeg(jpeg, scene, image.width, image.height);
        return {jpeg};
    }
    const QString raw = folder + QLatin1Char('/') + image.baseName + QStringLiteral(".DNG");
    DngWriter::write(raw, scene, image.width, image.height, QString::fromLatin1(image.camera->make),
                     QString::fromLatin1(image.camera->model), image.date);
    writeMetadata(raw, image);
    if (!image.pair)
        return {raw};
    const QString jpeg = folder + QLatin1Char('/') + image.baseName + QStringLiteral(".JPG");
    writeJpeg(jpeg, scene, image.width, image.height);
    writeMetadata(jpeg, image);
    return {raw, jpeg};
}

} // namespace

void SampleGenerator::generate(const QString& libraryPath, const Options& options)
{
    Library::create(libraryPath);
    Library library(libraryPath);
    Catalog catalog(library);
    SampleRandom random(options.seed);
    QRandomGenerator ids(quint32(options.seed ^ (options.seed >> 32)));

    const bool referenced = !options.referenceFolder.isEmpty();
    // Staged next to the library, so that moving masters in is a rename.
    QTemporaryDir staging(QFileInfo(library.path()).absolutePath() +
                          QStringLiteral("/.sample-XXXXXX"));
    const QString folder = referenced ? options.referenceFolder : staging.path();
    if (!QDir().mkpath(folder) || (!referenced && !staging.isValid()))
        throw PeerError(PeerError::Code::Io, QStringLiteral("cannot create %1").arg(folder));

    Transaction transaction(library.db(), Transaction::Kind::Write);
    QList<qint64> projects;
    for (int p = 0; p < options.projects; ++p)
        projects.append(catalog.createProject(QStringLiteral("Sample Project %1").arg(p + 1)));
    QList<qint64> albums;
    for (int a = 0; a < options.albums; ++a)
        albums.append(catalog.createAlbum(QStringLiteral("Sample Album %1").arg(a + 1)));

    Importer importer(library, catalog, ids);
    QList<qint64> all;
    for (int i = 0; i < options.count; ++i) {
        const SampleImage image = describeImage(random, i, options);
        const QStringList files = writeImage(folder, image, random.next());
        const QList<VersionRecord> versions = importer.importFiles(
            files, referenced ? Importer::Mode::Reference : Importer::Mode::Move,
            projects[i % projects.size()]);
        for (const VersionRecord& version : versions) {
            all.append(version.id);
            catalog.setMainRating(version.id, int(random.below(6)));
            catalog.setFlagged(version.id, random.below(5) == 0);
            // Custom tags live only in the library, not in the files.
            catalog.setTag(version.id, QStringLiteral("custom"), QStringLiteral("Shoot"),
                           QStringLiteral("Sample shoot %1").arg(i % 3 + 1));
            if (i % 2 == 0)
                catalog.setTag(version.id, QStringLiteral("custom"), QStringLiteral("Client"),
                               QStringLiteral("Tolvane sample"));
            if (i % 5 == 1 || i % 7 == 3)
                catalog.setAdjustments(version.id, i % 5 == 1 ? 0.7 : 0.0, i % 7 == 3 ? 90 : 0);
            for (qint64 album : albums)
                if (random.below(3) == 0)
                    catalog.addToAlbum(album, version.id);
        }
    }
    catalog.setSelection(all);
    transaction.commit();
    importer.committed();
}
