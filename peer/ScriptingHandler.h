#pragma once

#include "Catalog.h"
#include "ExportSetting.h"
#include "ScriptingObject.h"
#include "ServeOptions.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>

#include <memory>

class Importer;
class Library;

/// What each call of the scripting interface does to the library: reads and
/// changes of properties, element lists, creation, export, import and the
/// other commands, on the objects that ScriptingObject names.
///
/// Arguments and results are our scripting values (see ScriptingValue):
/// references are QDBusObjectPath, dates QDateTime, null an invalid QVariant.
/// The caller (ScriptingServer) holds one transaction around each call and
/// tells finish() how it ended. Bad input throws PeerError with a name the
/// client can act on: NoSuchObject, NoSuchProperty, NoSuchElement, WrongType,
/// ReadOnly, InvalidArgument, NotSupported, FileNotFound, UnsupportedFile,
/// MasterOffline, ExportFailed, LibraryBusy, … One thread.
class ScriptingHandler {
public:
    ScriptingHandler(Library& library, ServeOptions options);
    ~ScriptingHandler();
    ScriptingHandler(const ScriptingHandler&) = delete;
    ScriptingHandler& operator=(const ScriptingHandler&) = delete;

    /// Carries out `method` on the object at `path`.
    QVariantList handle(const QString& path, const QString& method, const QVariantList& arguments);
    /// The call's transaction has committed (true) or rolled back (false).
    void finish(bool committed);
    /// Whether the method may change the library (it then takes the write
    /// lock for its transaction).
    static bool changesLibrary(const QString& method);

private:
    struct Resolved;

    ScriptingObject target(const QString& path) const;
    VersionRecord versionOf(const ScriptingObject& object);
    ProjectRecord liveProject(const ScriptingObject& object);
    AlbumRecord albumOf(const ScriptingObject& object);
    const ExportSetting& settingOf(const ScriptingObject& object) const;
    TagRecord tagOf(const ScriptingObject& object);
    KeywordRecord keywordOf(const ScriptingObject& object);

    QVariant property(const ScriptingObject& object, const QString& name);
    QVariant versionProperty(const VersionRecord& version, const QString& name);
    QVariantMap versionRecord(const VersionRecord& version);
    QVariant typedProperty(const ScriptingObject& object, const QString& name, int metaType);
    void setProperty(const ScriptingObject& object, const QString& name, const QVariant& value);
    QList<ScriptingObject> elements(const ScriptingObject& object, const QString& element);
    QList<QPair<QString, QVariant>> otherTags(const VersionRecord& version);

    QVariantList valuesForKeys(const QVariantList& objects, const QStringList& keys);
    QVariant keyValue(Resolved& resolved, const QString& key);
    QStringList exportImages(const QVariantList& versions, const QString& setting, quint32 metadata,
                             const QString& destination);
    QVariantList importFiles(const QStringList& files, quint32 mode, const QString& project);
    void adjustImageDate(const QDateTime& date, const QVariantList& versions, bool mastersIncluded);
    void refreshMetadata(const VersionRecord& version);

    QList<VersionRecord> versionsOf(const QVariantList& paths);
    static QVariantList paths(const QList<ScriptingObject>& objects);

    Library& m_library;
    Catalog m_catalog;
    const ServeOptions m_options;
    const QList<ExportSetting> m_settings;
    std::unique_ptr<Importer> m_pendingImport;
};
