#pragma once

#include "CatalogRecords.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class Library;

/// The model of a library over its database: projects and the trash,
/// masters and their files, image versions with their keywords and tags,
/// albums, stacks and the selection.
///
/// Reads and writes rows only; callers open the transaction (one per call or
/// command) and carry out any file work. Everything that is in the trash (the
/// versions of a deleted project) is invisible to the lookups unless asked
/// for. Used by the one thread that owns the Library. Errors throw PeerError.
class Catalog {
public:
    explicit Catalog(Library& library);

    // Projects and the trash.
    QList<ProjectRecord> projects(bool includeTrashed = false);
    std::optional<ProjectRecord> project(qint64 id);
    std::optional<ProjectRecord> projectNamed(const QString& name);
    qint64 createProject(const QString& name);
    void trashProject(qint64 id);
    void restoreProject(qint64 id);
    /// Deletes the trashed projects and their versions; returns the paths of
    /// the managed master files that belonged to them, for the caller to
    /// remove once the transaction has committed.
    QStringList emptyTrash();

    // Image versions.
    std::optional<VersionRecord> version(const QString& uuid);
    std::optional<VersionRecord> versionById(qint64 id);
    QList<VersionRecord> versions(bool includeTrashed = false);
    QList<qint64> projectVersionIds(qint64 projectId);
    bool isTrashed(const VersionRecord& version);
    void setVersionName(qint64 id, const QString& name);
    void setMainRating(qint64 id, int rating);
    void setFlagged(qint64 id, bool flagged);
    void setLatitude(qint64 id, double latitude);
    void setLongitude(qint64 id, double longitude);
    void setAdjustments(qint64 id, double exposure, int rotation);
    void setMasterSize(qint64 versionId, int width, int height);
    /// Moves the version, and every version stacked with it, into the project.
    void moveToProject(const VersionRecord& version, qint64 projectId);
    /// Puts the versions into one new stack; returns its id.
    qint64 stack(const QList<qint64>& versionIds);

    // Masters.
    qint64 insertMaster(qint64 projectId);
    void insertMasterFile(qint64 masterId, int position, const QString& storedPath, bool referenced,
                          qint64 size, const QString& kind);
    qint64 insertVersion(const VersionRecord& version);
    QList<MasterFileRecord> masterFiles(qint64 masterId);
    void setMasterFileSize(qint64 fileId, qint64 size);
    /// Whether every file of the master is present and readable.
    bool isOnline(qint64 masterId);

    // Keywords and tags, in the order they were added.
    QList<KeywordRecord> keywords(qint64 versionId);
    std::optional<KeywordRecord> keyword(qint64 id);
    /// Gives the version the keyword (made when new); a keyword it already
    /// has keeps its place. Returns the keyword's id.
    qint64 addKeyword(qint64 versionId, const QString& name, const QString& parents);
    QList<TagRecord> tags(qint64 versionId, const QString& kind);
    std::optional<TagRecord> tag(qint64 id, qint64* versionId = nullptr);
    /// Sets the tag of that kind and name (made when new, else its value
    /// replaced in place). Returns the tag's id.
    qint64 setTag(qint64 versionId, const QString& kind, const QString& name,
                  const QVariant& value);
    void removeTags(qint64 versionId, const QString& kind);

    // Albums and the selection.
    QList<AlbumRecord> albums();
    std::optional<AlbumRecord> album(qint64 id);
    std::optional<AlbumRecord> albumNamed(const QString& name);
    qint64 createAlbum(const QString& name);
    void setAlbumName(qint64 id, const QString& name);
    void setProjectName(qint64 id, const QString& name);
    QList<qint64> albumVersionIds(qint64 albumId);
    /// Adds the version at the album's end; a member stays where it is.
    void addToAlbum(qint64 albumId, qint64 versionId);
    QList<qint64> selection();
    void setSelection(const QList<qint64>& versionIds);

    /// The value types a tag can hold, by QVariant type; empty when none.
    static QString tagValueType(const QVariant& value);

private:
    VersionRecord readVersion(const class Statement& row) const;

    Library& m_library;
};
