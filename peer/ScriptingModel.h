#pragma once

#include "Catalog.h"
#include "ExportSetting.h"
#include "ScriptingObject.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QVariant>

class Library;

/// The library as the scripting interface shows it: which object a path
/// names, the properties of each kind of object (read and, where allowed,
/// changed) and the element lists that lead from one object to others.
///
/// Used by ScriptingHandler for every call, inside the call's transaction,
/// on the one thread that serves the bus. Values are our scripting values
/// (see ScriptingValue): references QDBusObjectPath, null an invalid
/// QVariant. A path, property or element that does not exist, or a value of
/// the wrong type or range, throws PeerError (NoSuchObject, NoSuchProperty,
/// NoSuchElement, WrongType, ReadOnly, InvalidArgument).
class ScriptingModel {
public:
    /// The catalog's kinds of tags.
    static inline const QString exifKind = QStringLiteral("exif");
    static inline const QString iptcKind = QStringLiteral("iptc");
    static inline const QString customKind = QStringLiteral("custom");

    ScriptingModel(Library& library, Catalog& catalog, QString versionText,
                   QList<ExportSetting> settings);

    /// The object `path` names.
    ScriptingObject target(const QString& path) const;
    VersionRecord versionOf(const ScriptingObject& object);
    QList<VersionRecord> versionsOf(const QVariantList& paths);
    /// A project that is not in the trash.
    ProjectRecord liveProject(const ScriptingObject& object);
    AlbumRecord albumOf(const ScriptingObject& object);
    const ExportSetting& settingOf(const ScriptingObject& object) const;

    QVariant property(const ScriptingObject& object, const QString& name);
    /// The property, which must hold a value of `metaType`.
    QVariant typedProperty(const ScriptingObject& object, const QString& name, int metaType);
    QVariant versionProperty(const VersionRecord& version, const QString& name);
    void setProperty(const ScriptingObject& object, const QString& name, const QVariant& value);
    QList<ScriptingObject> elements(const ScriptingObject& object, const QString& element);
    /// An image version's other tags, (name, value) in the order of
    /// otherTagNames().
    QList<QPair<QString, QVariant>> otherTags(const VersionRecord& version);

    /// The names of an image version's other tags, in their order.
    static const QStringList& otherTagNames();
    /// The tag kind an element list of an image version holds ("customTags"
    /// holds custom tags); empty when it holds no tags.
    static QString tagKind(const QString& element);
    /// "image version /version/<id>", … for messages.
    static QString describe(const ScriptingObject& object);
    static QVariant reference(const ScriptingObject& object);
    static QVariantList paths(const QList<ScriptingObject>& objects);

private:
    TagRecord tagOf(const ScriptingObject& object);
    KeywordRecord keywordOf(const ScriptingObject& object);
    QVariantMap versionRecord(const VersionRecord& version);

    Library& m_library;
    Catalog& m_catalog;
    const QString m_versionText;
    const QList<ExportSetting> m_settings;
};
