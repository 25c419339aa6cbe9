#pragma once

#include "Catalog.h"
#include "ScriptingModel.h"
#include "ScriptingObject.h"
#include "ServeOptions.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>

#include <memory>

class Importer;
class Library;

/// What each call of the scripting interface does to the library: reads and
/// changes of properties, element lists, the bulk read, creation, export,
/// import and the other commands. Each method of the interface has one
/// member function here (the table of methods()); the objects and their
/// properties are the ScriptingModel's.
///
/// Arguments and results are our scripting values (see ScriptingValue):
/// references are QDBusObjectPath, dates QDateTime, null an invalid QVariant.
/// The caller (ScriptingServer) holds one transaction around each call and
/// tells finish() how it ended. Bad input throws PeerError with a code the
/// client can act on: NoSuchObject, NoSuchProperty, NoSuchElement, WrongType,
/// ReadOnly, InvalidArgument, NotSupported, FileNotFound, UnsupportedFile,
/// MasterOffline, ExportFailed, LibraryBusy, … One thread.
class ScriptingHandler {
public:
    ScriptingHandler(Library& library, const ServeOptions& options);
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
    /// One method of the interface, given its object and arguments.
    using Method = QVariantList (ScriptingHandler::*)(const ScriptingObject&, const QVariantList&);
    struct Entry {
        Method run;
        bool ofApplication; ///< a command only the application object answers
    };
    static const QHash<QString, Entry>& methods();

    QVariantList getText(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList getInteger(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList getReal(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList getBoolean(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList getValue(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList setValue(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList elements(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList elementNamed(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList makeProject(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList addKeyword(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList addTag(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList refreshMetadata(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList duplicateTo(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList moveTo(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList deleteObject(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList valuesForKeys(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList exportImages(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList importFiles(const ScriptingObject& object, const QVariantList& arguments);
    QVariantList adjustImageDate(const ScriptingObject& object, const QVariantList& arguments);

    QVariant keyValue(Resolved& resolved, const QString& key);
    QList<QPair<QString, QVariant>> tagList(const VersionRecord& version, const QString& kind);

    Library& m_library;
    Catalog m_catalog;
    ScriptingModel m_model;
    std::unique_ptr<Importer> m_pendingImport;
};
