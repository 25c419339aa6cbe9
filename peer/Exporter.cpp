#include "Exporter.h"

#include "Catalog.h"
#include "PeerError.h"
#include "Renderer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString safeName(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\0'), QLatin1Char('_'));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("Untitled");
    return name;
}

} // namespace

Exporter::Exporter(Catalog& catalog) : m_catalog(catalog) {}

Exporter::~Exporter()
{
    if (m_done)
        return;
    for (const QString& path : std::as_const(m_written))
        QFile::remove(path);
}

QString Exporter::uniqueBase(const QString& folder, const QString& base,
                             const QStringList& extensions)
{
    for (int n = 0;; ++n) {
        const QString candidate = n == 0 ? base : QStringLiteral("%1 (%2)").arg(base).arg(n);
        bool free = true;
        for (const QString& extension : extensions)
            free = free && !QFileInfo::exists(folder + QLatin1Char('/') + candidate + extension);
        if (free)
            return candidate;
    }
}

QStringList Exporter::exportVersions(const QList<VersionRecord>& versions,
                                     const std::optional<ExportSetting>& setting, quint32 metadata,
                                     const QString& folder)
{
    if (metadata != EmbedMetadata && metadata != SidecarMetadata)
        throw PeerError(PeerError::Code::InvalidArgument,
                        QStringLiteral("the export metadata mode is 'rkeb' or 'rksc', not 0x%1")
                            .arg(metadata, 8, 16, QLatin1Char('0')));
    const QFileInfo target(folder);
    if (!target.isDir())
        throw PeerError(PeerError::Code::NoSuchFolder,
                        QStringLiteral("the export destination %1 is not a folder").arg(folder));
    if (!target.isWritable())
        throw PeerError(PeerError::Code::FolderNotWritable,
                        QStringLiteral("the export destination %1 cannot be written").arg(folder));
    // The files are named from the clean absolute folder, so that the URLs
    // returned name them exactly (no "//" from a trailing slash, no "./").
    const QString destination = QDir::cleanPath(target.absoluteFilePath());
    for (const VersionRecord& version : versions)
        exportOne(version, setting, metadata, destination);
    m_done = true;
    return m_written;
}

void Exporter::exportOne(const VersionRecord& version, const std::optional<ExportSetting>& setting,
                         quint32 metadata, const QString& folder)
{
    const QList<MasterFileRecord> files = m_catalog.masterFiles(version.masterId);
    if (!m_catalog.isOnline(version.masterId))
        throw PeerError(PeerError::Code::MasterOffline,
                        QStringLiteral("the master of image version %1 (%2) is offline")
                            .arg(version.uuid, files.value(0).absolutePath));
    MetadataWriter::Metadata meta = metadataFor(version);
    const QString sidecarExtension = QStringLiteral(".XMP");
    QString base;
    if (setting) {
        base = uniqueBase(folder, safeName(version.name), {setting->extension(), sidecarExtension});
        const QString path = folder + QLatin1Char('/') + base + setting->extension();
        const vips::VImage developed = Renderer::develop(files.first(), version);
        Renderer::save(developed, *setting, path);
        m_written.append(path);
        const QPair<int, int> size = setting->outputSize(developed.width(), developed.height());
        meta.width = size.first;
        meta.height = size.second;
        if (metadata == EmbedMetadata)
            MetadataWriter::embed(path, meta);
    } else {
        // Copies keep the master's pixels: no pixel size is claimed for them.
        meta.width = meta.height = 0;
        QStringList extensions{sidecarExtension};
        for (const MasterFileRecord& file : files)
            extensions.append(QLatin1Char('.') + QFileInfo(file.fileName()).suffix());
        base =
            uniqueBase(folder, QFileInfo(files.first().fileName()).completeBaseName(), extensions);
        for (const MasterFileRecord& file : files) {
            const QString path = folder + QLatin1Char('/') + base + QLatin1Char('.') +
                                 QFileInfo(file.fileName()).suffix();
            if (!QFile::copy(file.absolutePath, path))
                throw PeerError(
                    PeerError::Code::ExportFailed,
                    QStringLiteral("cannot copy %1 to %2").arg(file.absolutePath, path));
            m_written.append(path);
            QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                       QFile::ReadOther);
            if (metadata == EmbedMetadata && file.kind != QLatin1String("raw"))
                MetadataWriter::embed(path, meta);
        }
    }
    if (metadata == SidecarMetadata) {
        const QString sidecar = folder + QLatin1Char('/') + base + sidecarExtension;
        MetadataWriter::writeSidecar(sidecar, meta);
        m_written.append(sidecar);
    }
}

MetadataWriter::Metadata Exporter::metadataFor(const VersionRecord& version)
{
    MetadataWriter::Metadata meta;
    for (const TagRecord& tag : m_catalog.tags(version.id, QStringLiteral("exif")))
        meta.exif.append({tag.name, tag.value});
    for (const TagRecord& tag : m_catalog.tags(version.id, QStringLiteral("iptc")))
        if (tag.name != QLatin1String("Keywords"))
            meta.iptc.append({tag.name, tag.value.toString()});
    for (const KeywordRecord& keyword : m_catalog.keywords(version.id))
        meta.keywords.append(keyword.name);
    meta.title = version.name;
    meta.rating = version.mainRating;
    meta.latitude = version.latitude;
    meta.longitude = version.longitude;
    meta.width = version.width();
    meta.height = version.height();
    return meta;
}
