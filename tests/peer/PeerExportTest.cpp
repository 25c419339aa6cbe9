#include "ApertureApplication.h"

#include "PeerSession.h"
#include "QtPrinters.h"
#include "ScriptingErrorOf.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>
#include <vips/vips8>

#include <algorithm>

namespace {

/// What a test sees of an exported image file.
struct ImageFacts {
    QString loader;
    int width = 0;
    int height = 0;
    int bands = 0;
    VipsBandFormat format = VIPS_FORMAT_NOTSET;
    double mean = 0;
};

ImageFacts factsOf(const QUrl& file)
{
    const vips::VImage image = vips::VImage::new_from_file(file.toLocalFile().toUtf8().constData());
    return {QString::fromUtf8(image.get_string("vips-loader")),
            image.width(),
            image.height(),
            image.bands(),
            image.format(),
            image.avg()};
}

std::string metadataOf(const QUrl& file, const char* key)
{
    auto image = Exiv2::ImageFactory::open(file.toLocalFile().toStdString());
    image->readMetadata();
    const std::string name(key);
    if (name.rfind("Exif.", 0) == 0) {
        const auto it = image->exifData().findKey(Exiv2::ExifKey(name));
        return it == image->exifData().end() ? std::string() : it->toString();
    }
    if (name.rfind("Iptc.", 0) == 0) {
        const auto it = image->iptcData().findKey(Exiv2::IptcKey(name));
        return it == image->iptcData().end() ? std::string() : it->toString();
    }
    const auto it = image->xmpData().findKey(Exiv2::XmpKey(name));
    return it == image->xmpData().end() ? std::string() : it->toString();
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bigEndian(quint32 value)
{
    const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    return QByteArray(bytes, 4);
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type) + data;
    quint32 crc = 0xffffffffu;
    for (const char byte : body) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return bigEndian(quint32(data.size())) + body + bigEndian(~crc);
}

/// A PNG file of a few dozen bytes whose header claims the given size.
QByteArray pngClaiming(quint32 width, quint32 height)
{
    const QByteArray header =
        bigEndian(width) + bigEndian(height) + QByteArray("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    const QByteArray pixels = qCompress(QByteArray(64, '\0')).mid(4); // zlib stream alone
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", pixels) + pngChunk("IEND", {});
}

class PeerExport : public ::testing::Test {
protected:
    void SetUp() override { start({}); }

    void start(const QStringList& serveOptions)
    {
        // Images up to 1.5 MP, so that "Fit within 1024 x 1024" scales them.
        ASSERT_TRUE(m_session.start({QStringLiteral("--seed"), QStringLiteral("11"),
                                     QStringLiteral("--count"), QStringLiteral("3"),
                                     QStringLiteral("--pairs"), QStringLiteral("1"),
                                     QStringLiteral("--max-megapixels"), QStringLiteral("1.5")},
                                    serveOptions))
            << qPrintable(m_session.problem());
        m_folder = TestEnvironment::makeScratchDir(QStringLiteral("export"));
        m_versions = m_app.selection();
        ASSERT_EQ(m_versions.size(), 3);
        for (const ApertureImageVersion& version : m_versions)
            if (version.properties().value(QStringLiteral("masterFiles")).toList().size() == 2)
                m_pair = version;
    }

    std::optional<ApertureExportSetting> setting(const QString& name) const
    {
        for (const ApertureExportSetting& candidate : m_app.exportSettings())
            if (candidate.name() == name)
                return candidate;
        return std::nullopt;
    }

    QList<QUrl> exportThrough(const QString& name, const ApertureImageVersion& version,
                              ApertureExportMetadata metadata = ApertureExportMetadata::Embedded)
    {
        const auto chosen = setting(name);
        EXPECT_TRUE(chosen) << qPrintable(name);
        return m_app.exportImages({version}, chosen, metadata, m_folder);
    }

    PeerSession m_session;
    ApertureApplication m_app;
    QString m_folder;
    QList<ApertureImageVersion> m_versions;
    ApertureImageVersion m_pair;
};

TEST_F(PeerExport, eachStockSettingWritesItsFormatDepthAndSize)
{
    const ApertureImageVersion version = m_versions.first();
    const int width = version.width();
    const int height = version.height();
    ASSERT_GT(std::max(width, height), 1024);

    const ImageFacts tiff16 =
        factsOf(exportThrough(QStringLiteral("TIFF - Original Size (16-bit)"), version).value(0));
    EXPECT_EQ(tiff16.loader, QStringLiteral("tiffload"));
    EXPECT_EQ(tiff16.format, VIPS_FORMAT_USHORT);
    EXPECT_EQ(std::make_pair(tiff16.width, tiff16.height), std::make_pair(width, height));

    const ImageFacts tiff8 =
        factsOf(exportThrough(QStringLiteral("TIFF - Original Size (8-bit)"), version).value(0));
    EXPECT_EQ(tiff8.loader, QStringLiteral("tiffload"));
    EXPECT_EQ(tiff8.format, VIPS_FORMAT_UCHAR);
    EXPECT_EQ(std::make_pair(tiff8.width, tiff8.height), std::make_pair(width, height));

    const ImageFacts jpeg =
        factsOf(exportThrough(QStringLiteral("JPEG - Original Size"), version).value(0));
    EXPECT_EQ(jpeg.loader, QStringLiteral("jpegload"));
    EXPECT_EQ(std::make_pair(jpeg.width, jpeg.height), std::make_pair(width, height));

    const ImageFacts fitted =
        factsOf(exportThrough(QStringLiteral("JPEG - Fit within 1024 x 1024"), version).value(0));
    EXPECT_EQ(std::max(fitted.width, fitted.height), 1024);
    EXPECT_NEAR(double(fitted.width) / fitted.height, double(width) / height, 0.01);

    const ImageFacts png =
        factsOf(exportThrough(QStringLiteral("PNG - Original Size"), version).value(0));
    EXPECT_EQ(png.loader, QStringLiteral("pngload"));
    EXPECT_EQ(std::make_pair(png.width, png.height), std::make_pair(width, height));
    // The same picture in every format.
    EXPECT_NEAR(png.mean, jpeg.mean, 3.0);
    EXPECT_NEAR(tiff8.mean, png.mean, 1.0);
}

TEST_F(PeerExport, aPairsMastersExportAsRawJpegAndOneSidecar)
{
    ASSERT_FALSE(m_pair.isNull());
    m_pair.addKeyword(QStringLiteral("Harbour"), QString());
    const QList<QUrl> files =
        m_app.exportImages({m_pair}, std::nullopt, ApertureExportMetadata::Sidecar, m_folder);
    ASSERT_EQ(files.size(), 3);
    const QJsonArray masters =
        PeerProcess::versionIn(m_session.show(), m_pair.id())[QStringLiteral("masterFiles")]
            .toArray();
    EXPECT_EQ(contentOf(files[0].toLocalFile()),
              contentOf(masters[0][QStringLiteral("path")].toString()));
    EXPECT_EQ(contentOf(files[1].toLocalFile()),
              contentOf(masters[1][QStringLiteral("path")].toString()));
    EXPECT_TRUE(files[2].toLocalFile().endsWith(QLatin1String(".XMP")));
    const QString sidecar = QString::fromUtf8(contentOf(files[2].toLocalFile()));
    EXPECT_TRUE(sidecar.contains(QLatin1String("Harbour")));
    EXPECT_TRUE(sidecar.contains(m_pair.name()));

    // The same export again does not overwrite: the next free base name.
    const QList<QUrl> again =
        m_app.exportImages({m_pair}, std::nullopt, ApertureExportMetadata::Sidecar, m_folder);
    ASSERT_EQ(again.size(), 3);
    EXPECT_EQ(QFileInfo(again[2].toLocalFile()).fileName(),
              m_pair.name() + QStringLiteral(" (1).XMP"));

    // Embedded metadata instead: no sidecar; the JPEG copy carries the keyword.
    const QList<QUrl> embedded =
        m_app.exportImages({m_pair}, std::nullopt, ApertureExportMetadata::Embedded, m_folder);
    ASSERT_EQ(embedded.size(), 2);
    EXPECT_NE(metadataOf(embedded[1], "Xmp.dc.subject").find("Harbour"), std::string::npos);

    // A rendered export with a sidecar writes the picture, then the sidecar.
    const QList<QUrl> rendered = exportThrough(QStringLiteral("JPEG - Original Size"), m_pair,
                                               ApertureExportMetadata::Sidecar);
    ASSERT_EQ(rendered.size(), 2);
    EXPECT_TRUE(rendered[0].toLocalFile().endsWith(QLatin1String(".jpg")));
    EXPECT_TRUE(rendered[1].toLocalFile().endsWith(QLatin1String(".XMP")));
    EXPECT_TRUE(metadataOf(rendered[0], "Iptc.Application2.City").empty());
}

TEST_F(PeerExport, offlineMastersAreReportedAndExportNothing)
{
    const ApertureImageVersion version = m_versions[1];
    ASSERT_NE(version, m_pair);
    const QString master =
        PeerProcess::versionIn(
            m_session.show(),
            version.id())[QStringLiteral("masterFiles")][0][QStringLiteral("path")]
            .toString();
    ASSERT_TRUE(version.online());
    ASSERT_TRUE(QFile::rename(master, master + QStringLiteral(".away")));
    EXPECT_FALSE(version.online());
    EXPECT_FALSE(
        PeerProcess::versionIn(m_session.show(), version.id())[QStringLiteral("online")].toBool());
    const ScriptingError error = scriptingErrorOf([&] {
        m_app.exportImages({m_versions.first(), version},
                           setting(QStringLiteral("JPEG - Original Size")),
                           ApertureExportMetadata::Sidecar, m_folder);
    });
    EXPECT_EQ(error.name(), QStringLiteral("org.photolib.Error.MasterOffline"));
    EXPECT_TRUE(QDir(m_folder).isEmpty()) << "the first image's files went again";
    EXPECT_EQ(scriptingErrorOf([&] { version.refreshMetadata(); }).name(),
              QStringLiteral("org.photolib.Error.MasterOffline"));

    ASSERT_TRUE(QFile::rename(master + QStringLiteral(".away"), master));
    EXPECT_TRUE(version.online());
    EXPECT_EQ(m_app.exportImages({version}, std::nullopt, ApertureExportMetadata::Sidecar, m_folder)
                  .size(),
              2);
}

TEST_F(PeerExport, anImageWhoseHeaderClaimsAbsurdSizesIsRefusedBeforeAnythingIsWritten)
{
    const QString source =
        TestEnvironment::makeScratchDir(QStringLiteral("huge")) + QStringLiteral("/Huge.png");
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pngClaiming(100000, 100000));
    file.close();
    const ApertureProject project = m_app.libraries().first().projects().first();
    const QList<ApertureImageVersion> imported =
        m_app.importFiles({source}, ApertureImportMode::Referenced, project);
    ASSERT_EQ(imported.size(), 1);
    ASSERT_EQ(imported.first().width(), 100000) << "the header is taken as it reads";

    for (const QString& name : {QStringLiteral("TIFF - Original Size (16-bit)"),
                                QStringLiteral("JPEG - Fit within 1024 x 1024")}) {
        const ScriptingError error =
            scriptingErrorOf([&] { exportThrough(name, imported.first()); });
        EXPECT_EQ(error.name(), QStringLiteral("org.photolib.Error.ExportFailed"))
            << qPrintable(name);
        EXPECT_TRUE(error.reason().contains(QStringLiteral("100000 × 100000")))
            << qPrintable(error.reason());
    }
    EXPECT_TRUE(QDir(m_folder).isEmpty());
}

TEST_F(PeerExport, anOddDestinationGetsTheUrlsOfTheFilesWrittenThere)
{
    struct Destination {
        QString folder; // where the files must land
        QString given;  // as the caller names it
    };
    const QString root = TestEnvironment::makeScratchDir(QStringLiteral("odd"));
    QList<Destination> destinations;
    for (const QString& name :
         {QStringLiteral("with spaces"), QStringLiteral("#1"), QStringLiteral("100% sure"),
          QStringLiteral("why?"), QStringLiteral("Fotos für Zoë 写真")})
        destinations.append({root + QLatin1Char('/') + name, root + QLatin1Char('/') + name});
    destinations.append({root + QStringLiteral("/trailing"), root + QStringLiteral("/trailing/")});
    destinations.append({root + QStringLiteral("/relative"),
                         QDir::current().relativeFilePath(root + QStringLiteral("/relative"))});
    ASSERT_FALSE(QDir::isAbsolutePath(destinations.last().given));

    for (const Destination& destination : destinations) {
        SCOPED_TRACE(qPrintable(destination.given));
        ASSERT_TRUE(QDir().mkpath(destination.folder));
        const QList<QUrl> files = m_app.exportImages(
            {m_pair}, std::nullopt, ApertureExportMetadata::Sidecar, destination.given);
        QStringList written;
        for (const QString& name : QDir(destination.folder).entryList(QDir::Files))
            written.append(destination.folder + QLatin1Char('/') + name);
        QStringList named;
        for (const QUrl& file : files)
            named.append(file.toLocalFile());
        EXPECT_EQ(named.size(), 3);
        std::sort(named.begin(), named.end());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(named, written);
    }
}

} // namespace
