#pragma once

#include "CatalogRecords.h"
#include "ExportSetting.h"
#include "MetadataWriter.h"

#include <QStringList>

#include <optional>

class Catalog;

/// Writes image versions out of the library into a folder: rendered through
/// an export setting (with the version's adjustments), or as copies of the
/// master files when there is none. Metadata is embedded ('rkeb') or written
/// into one ".XMP" sidecar per version beside the files ('rksc').
///
/// Names are the version's name (rendered) or the master files' names, made
/// unique in the folder with " (1)", " (2)", …, the same base for a pair and
/// its sidecar. Returns the written files in order: per version the rendered
/// file or the master files (RAW first), then the sidecar. Any failure
/// removes what this export wrote and throws PeerError. Reads the library
/// only; one thread.
class Exporter {
public:
    static constexpr quint32 EmbedMetadata = 0x726b6562;   // 'rkeb'
    static constexpr quint32 SidecarMetadata = 0x726b7363; // 'rksc'

    explicit Exporter(Catalog& catalog);
    ~Exporter();
    Exporter(const Exporter&) = delete;
    Exporter& operator=(const Exporter&) = delete;

    QStringList exportVersions(const QList<VersionRecord>& versions,
                               const std::optional<ExportSetting>& setting, quint32 metadata,
                               const QString& folder);

    /// The metadata of a version as the library holds it.
    MetadataWriter::Metadata metadataFor(const VersionRecord& version);
    /// "base", else "base (1)", "base (2)", …: the first for which no file
    /// base + extension exists in the folder, for every extension given.
    static QString uniqueBase(const QString& folder, const QString& base,
                              const QStringList& extensions);

private:
    void exportOne(const VersionRecord& version, const std::optional<ExportSetting>& setting,
                   quint32 metadata, const QString& folder);

    Catalog& m_catalog;
    QStringList m_written;
    bool m_done = false;
};
