#include "Importer.h"

#include "Catalog.h"
#include "Library.h"
#include "MediaReader.h"
#include "PeerError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <unistd.h>

namespace {

QString localPath(const QString& fileOrUrl)
{
    if (fileOrUrl.startsWith(QLatin1String("file:")))
        return QUrl(fileOrUrl).toLocalFile();
    return fileOrUrl;
}

QString pairKey(const QString& path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName().toLower();
}

} // namespace

Importer::Importer(Library& library, Catalog& catalog, QRandomGenerator& ids)
    : m_library(library), m_catalog(catalog), m_ids(ids)
{}

Importer::~Importer()
{
    if (m_committed)
        return;
    for (const QString& copy : std::as_const(m_placed))
        QFile::remove(copy);
    // Newest first, so that a folder made inside another goes before it.
    for (auto folder = m_madeFolders.crbegin(); folder != m_madeFolders.crend(); ++folder)
        QDir().rmdir(*folder);
}

QList<QStringList> Importer::groupMasters(const QStringList& paths)
{
    QList<QStringList> masters;
    QHash<QString, qsizetype> openPair; // pair key → index of a master still missing a partner
    for (const QString& path : paths) {
        const QString kind = MediaReader::kindForPath(path);
        const QString key = pairKey(path);
        const auto it = openPair.constFind(key);
        if ((kind == QLatin1String("raw") || kind == QLatin1String("jpeg")) &&
            it != openPair.constEnd()) {
            QStringList& master = masters[it.value()];
            const bool firstIsRaw =
                MediaReader::kindForPath(master.first()) == QLatin1String("raw");
            if (firstIsRaw != (kind == QLatin1String("raw"))) {
                if (firstIsRaw)
                    master.append(path);
                else
                    master.prepend(path);
                openPair.remove(key);
                continue;
            }
        }
        if (kind == QLatin1String("raw") || kind == QLatin1String("jpeg"))
            openPair.insert(key, masters.size());
        masters.append(QStringList{path});
    }
    return masters;
}

QString Importer::newVersionId(QRandomGenerator& random)
{
    static const char alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    QString id;
    id.reserve(22);
    for (int i = 0; i < 22; ++i)
        id.append(QLatin1Char(alphabet[random.bounded(62)]));
    return id;
}

QList<VersionRecord> Importer::importFiles(const QStringList& files, Mode mode, qint64 projectId)
{
    if (files.isEmpty())
        throw PeerError(PeerError::Code::InvalidArgument, QStringLiteral("no files to import"));
    const QString libraryRoot = QFileInfo(m_library.path()).canonicalFilePath() + QLatin1Char('/');
    QStringList paths;
    for (const QString& file : files) {
        const QString path = localPath(file);
        const QFileInfo info(path);
        if (!info.exists())
            throw PeerError(PeerError::Code::FileNotFound, QStringLiteral("no file %1").arg(file));
        if (!info.isFile())
            throw PeerError(PeerError::Code::NotAFile,
                            QStringLiteral("%1 is a folder, not an image file").arg(file));
        if (!info.isReadable())
            throw PeerError(PeerError::Code::FileNotReadable,
                            QStringLiteral("%1 cannot be read").arg(file));
        if (info.canonicalFilePath().startsWith(libraryRoot))
            throw PeerError(PeerError::Code::InvalidArgument,
                            QStringLiteral("%1 lies inside the library").arg(file));
        paths.append(info.absoluteFilePath());
    }
    QList<VersionRecord> versions;
    for (const QStringList& master : groupMasters(paths))
        versions.append(importMaster(master, mode, projectId));
    return versions;
}

VersionRecord Importer::importMaster(const QStringList& files, Mode mode, qint64 projectId)
{
    QList<MediaReader::Info> infos;
    for (const QString& file : files)
        infos.append(MediaReader::read(file));
    const MediaReader::Info& primary = infos.first();

    VersionRecord version;
    version.uuid = newVersionId(m_ids);
    version.masterId = m_catalog.insertMaster(projectId);
    version.projectId = projectId;
    version.name = QFileInfo(files.first()).completeBaseName();
    version.masterWidth = primary.width;
    version.masterHeight = primary.height;
    for (const MediaReader::Info& info : infos) {
        if (info.latitude && info.longitude) {
            version.latitude = *info.latitude;
            version.longitude = *info.longitude;
            break;
        }
    }
    version.id = m_catalog.insertVersion(version);

    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& source = files[i];
        const qint64 size = QFileInfo(source).size();
        const QString stored =
            mode == Mode::Reference ? source : placeInLibrary(source, version.uuid);
        m_catalog.insertMasterFile(version.masterId, int(i), stored, mode == Mode::Reference, size,
                                   infos[i].kind);
    }
    // EXIF and IPTC from the first file that has them; keywords from all.
    for (const MediaReader::Info& info : infos) {
        if (info.exif.isEmpty())
            continue;
        for (const auto& [name, value] : info.exif)
            m_catalog.setTag(version.id, QStringLiteral("exif"), name, value);
        break;
    }
    for (const MediaReader::Info& info : infos) {
        if (info.iptc.isEmpty())
            continue;
        for (const auto& [name, value] : info.iptc)
            m_catalog.setTag(version.id, QStringLiteral("iptc"), name, value);
        break;
    }
    for (const MediaReader::Info& info : infos)
        for (const QString& keyword : info.keywords)
            m_catalog.addKeyword(version.id, keyword, QString());
    return version;
}

QString Importer::placeInLibrary(const QString& source, const QString& uuid)
{
    const QString fileName = QFileInfo(source).fileName();
    const QString folder = m_library.mastersPath() + QLatin1Char('/') + uuid;
    const QString target = folder + QLatin1Char('/') + fileName;
    makeFolder(m_library.mastersPath());
    makeFolder(folder);
    if (QFileInfo::exists(target))
        throw PeerError(PeerError::Code::Io, QStringLiteral("%1 is taken already").arg(target));
    // A hard link moves the file without copying when it lies on the same
    // file system; the old name goes only once the import has committed.
    const bool linked =
        ::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
    if (!linked && !QFile::copy(source, target)) {
        QFile::remove(target); // whatever part of it a full disk let through
        throw PeerError(PeerError::Code::Io,
                        QStringLiteral("cannot copy %1 into the library").arg(source));
    }
    m_placed.append(target);
    m_movedSources.append(source);
    return uuid + QLatin1Char('/') + fileName;
}

void Importer::makeFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return;
    if (!QDir().mkdir(folder))
        throw PeerError(PeerError::Code::Io, QStringLiteral("cannot create %1").arg(folder));
    m_madeFolders.append(folder);
}

void Importer::committed()
{
    m_committed = true;
    for (const QString& source : std::as_const(m_movedSources))
        QFile::remove(source);
}
