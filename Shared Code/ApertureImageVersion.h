#pragma once

#include "ApertureAlbum.h"
#include "ApertureKeyword.h"
#include "ApertureObject.h"
#include "ApertureProject.h"
#include "ApertureTag.h"

#include <QList>
#include <QMetaType>
#include <QVariantMap>

/// An image version of the library: its properties, its keywords and tags,
/// and the commands the runs send it. Every getter, setter and command is one
/// exchange with the application. See ApertureObject for threads and
/// failures.
class ApertureImageVersion : public ApertureObject {
public:
    using ApertureObject::ApertureObject;

    /// The version's id, stable text.
    QString id() const { return getText(QStringLiteral("id")); }
    QString name() const { return getText(QStringLiteral("name")); }
    /// Pixel size as the application shows the version.
    int height() const { return getInteger(QStringLiteral("height")); }
    int width() const { return getInteger(QStringLiteral("width")); }
    /// Whether the master files are present and readable.
    bool online() const { return getBoolean(QStringLiteral("online")); }
    /// -1 (rejected, hidden) to 5.
    int mainRating() const { return getInteger(QStringLiteral("mainRating")); }
    bool flagged() const { return getBoolean(QStringLiteral("flagged")); }
    double latitude() const { return getReal(QStringLiteral("latitude")); }
    double longitude() const { return getReal(QStringLiteral("longitude")); }
    /// A record of the version's facts, for logs.
    QVariantMap properties() const { return getValue(QStringLiteral("properties")).toMap(); }

    void setName(const QString& name) const { set(QStringLiteral("name"), name); }
    void setMainRating(int rating) const { set(QStringLiteral("mainRating"), rating); }
    void setFlagged(bool flagged) const { set(QStringLiteral("flagged"), flagged); }
    void setLatitude(double latitude) const { set(QStringLiteral("latitude"), latitude); }
    void setLongitude(double longitude) const { set(QStringLiteral("longitude"), longitude); }

    QList<ApertureKeyword> keywords() const;
    QList<ApertureTag> customTags() const;
    QList<ApertureTag> iptcTags() const;
    QList<ApertureTag> exifTags() const;
    QList<ApertureTag> otherTags() const;
    /// The other tag of that name ("FileName", "FileSize", "MasterProject");
    /// throws ScriptingError when there is none.
    ApertureTag otherTagNamed(const QString& name) const;

    /// Gives the version a keyword under a parent chain (tab-separated,
    /// nearest parent first).
    ApertureKeyword addKeyword(const QString& name, const QString& parents) const;
    /// Sets a custom tag (made when new). `value`: text, number, boolean or
    /// date.
    ApertureTag addCustomTag(const QString& name, const QVariant& value) const;
    /// Sets an IPTC tag (made when new).
    ApertureTag addIptcTag(const QString& name, const QVariant& value) const;

    /// Has the application read the master's metadata again.
    void refreshMetadata() const;
    /// Adds the version to the album (once).
    void duplicateTo(const ApertureAlbum& album) const;
    /// Moves the version, with its whole stack, into the project.
    void moveTo(const ApertureProject& project) const;
};
Q_DECLARE_METATYPE(ApertureImageVersion)
