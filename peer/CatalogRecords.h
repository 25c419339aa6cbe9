#pragma once

#include <QString>
#include <QVariant>

/// The rows of a library as the Catalog hands them out. Plain values.

struct ProjectRecord {
    qint64 id = 0;
    QString name;
    bool trashed = false;
};

struct AlbumRecord {
    qint64 id = 0;
    QString name;
};

struct MasterFileRecord {
    qint64 id = 0;
    int position = 0;
    QString storedPath;
    QString absolutePath;
    bool referenced = false;
    qint64 size = 0;
    QString kind; // "raw", "jpeg", "tiff", "png"

    QString fileName() const;
};

struct VersionRecord {
    qint64 id = 0;
    QString uuid;
    qint64 masterId = 0;
    qint64 projectId = 0;
    qint64 stackId = 0; // 0: in no stack
    QString name;
    int masterWidth = 0;
    int masterHeight = 0;
    int mainRating = 0;
    bool flagged = false;
    double latitude = 0;
    double longitude = 0;
    double exposure = 0;
    int rotation = 0;

    /// The version's pixel size: the master's, turned by the rotation.
    int width() const { return rotation % 180 ? masterHeight : masterWidth; }
    int height() const { return rotation % 180 ? masterWidth : masterHeight; }
};

struct KeywordRecord {
    qint64 id = 0;
    QString name;
    QString parents;
};

/// A custom, IPTC or EXIF tag. `value` is a QString, qint64, double, bool or
/// QDateTime (UTC).
struct TagRecord {
    qint64 id = 0;
    QString kind; // "custom", "iptc", "exif"
    QString name;
    QVariant value;
};
