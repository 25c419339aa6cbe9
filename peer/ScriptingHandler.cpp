#include "ScriptingHandler.h"

#include "Exporter.h"
#include "Importer.h"
#include "Library.h"
#include "MediaReader.h"
#include "MetadataWriter.h"
#include "PeerError.h"

#include <QDBusObjectPath>
#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QUrl>

#include <cmath>

namespace {

constexpr quint32 kMoveMode = 0x726b6d76;      // 'rkmv'
constexpr quint32 kReferenceMode = 0x726b7266; // 'rkrf'

const QString kExif = QStringLiteral("exif");
const QString kIptc = QStringLiteral("iptc");
const QString kCustom = QStringLiteral("custom");

QVariant reference(const ScriptingObject& object)
{
    return QVariant::fromValue(QDBusObjectPath(object.path()));
}

QString describe(const ScriptingObject& object)
{
    return QStringLiteral("%1 %2").arg(object.kindName(), object.path());
}

QString typeWord(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return QStringLiteral("null");
    case QMetaType::QString:
        return QStringLiteral("text");
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QStringLiteral("an integer");
    case QMetaType::Double:
        return QStringLiteral("a real");
    case QMetaType::Bool:
        return QStringLiteral("a boolean");
    case QMetaType::QDateTime:
        return QStringLiteral("a date");
    case QMetaType::QVariantMap:
        return QStringLiteral("a record");
    case QMetaType::QVariantList:
        return QStringLiteral("a list");
    default:
        return QStringLiteral("a reference");
    }
}

[[noreturn]] void noSuchObject(const QString& what)
{
    throw PeerError(PeerError::Code::NoSuchObject, what);
}

[[noreturn]] void noSuchProperty(const ScriptingObject& object, const QString& name)
{
    throw PeerError(PeerError::Code::NoSuchProperty,
                    QStringLiteral("%1 has no property \"%2\"").arg(describe(object), name));
}

QString tagKind(const QString& element)
{
    if (element == QLatin1String("customTags"))
        return kCustom;
    if (element == QLatin1String("IPTCTags"))
        return kIptc;
    if (element == QLatin1String("EXIFTags"))
        return kExif;
    return {};
}

const QStringList& otherTagNames()
{
    static const QStringList names = {QStringLiteral("FileName"), QStringLiteral("FileSize"),
                                      QStringLiteral("MasterProject")};
    return names;
}

} // namespace

/// A bulk-read object with what the keys have looked up for it so far.
struct ScriptingHandler::Resolved {
    ScriptingObject object;
    std::optional<VersionRecord> version;
    QHash<QString, QList<QPair<QString, QVariant>>> tagLists; // element → (name, value)
};

ScriptingHandler::ScriptingHandler(Library& library, ServeOptions options)
    : m_library(library), m_catalog(library), m_options(std::move(options)),
      m_settings(ExportSetting::offered(m_options.tiffSetting))
{}

ScriptingHandler::~ScriptingHandler() = default;

bool ScriptingHandler::changesLibrary(const QString& method)
{
    static const QSet<QString> reads = {
        QStringLiteral("GetText"),      QStringLiteral("GetInteger"),    QStringLiteral("GetReal"),
        QStringLiteral("GetBoolean"),   QStringLiteral("GetValue"),      QStringLiteral("Elements"),
        QStringLiteral("ElementNamed"), QStringLiteral("ValuesForKeys"), QStringLiteral("Export"),
        QStringLiteral("CallCount")};
    return !reads.contains(method);
}

void ScriptingHandler::finish(bool committed)
{
    if (committed && m_pendingImport)
        m_pendingImport->committed();
    m_pendingImport.reset();
}

// Resolution ----------------------------------------------------------------

ScriptingObject ScriptingHandler::target(const QString& path) const
{
    const auto object = ScriptingObject::parse(path);
    if (!object)
        noSuchObject(QStringLiteral("%1 names no object of the library").arg(path));
    return *object;
}

VersionRecord ScriptingHandler::versionOf(const ScriptingObject& object)
{
    if (object.kind() != ScriptingObject::Kind::Version &&
        object.kind() != ScriptingObject::Kind::OtherTag)
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("%1 is not an image version").arg(describe(object)));
    const auto version = m_catalog.version(object.key());
    if (!version)
        noSuchObject(
            QStringLiteral("there is no image version %1 in the library").arg(object.key()));
    return *version;
}

ProjectRecord ScriptingHandler::liveProject(const ScriptingObject& object)
{
    if (object.kind() != ScriptingObject::Kind::Project)
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("%1 is not a project").arg(describe(object)));
    const auto project = m_catalog.project(object.number());
    if (!project || project->trashed)
        noSuchObject(QStringLiteral("there is no project %1 outside the trash").arg(object.key()));
    return *project;
}

AlbumRecord ScriptingHandler::albumOf(const ScriptingObject& object)
{
    if (object.kind() != ScriptingObject::Kind::Album)
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("%1 is not an album").arg(describe(object)));
    const auto album = m_catalog.album(object.number());
    if (!album)
        noSuchObject(QStringLiteral("there is no album %1").arg(object.key()));
    return *album;
}

const ExportSetting& ScriptingHandler::settingOf(const ScriptingObject& object) const
{
    if (object.kind() != ScriptingObject::Kind::ExportSetting)
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("%1 is not an export setting").arg(describe(object)));
    const qint64 index = object.number() - 1;
    if (index < 0 || index >= m_settings.size())
        noSuchObject(QStringLiteral("there is no export setting %1").arg(object.key()));
    return m_settings[index];
}

TagRecord ScriptingHandler::tagOf(const ScriptingObject& object)
{
    qint64 versionId = 0;
    const auto tag = m_catalog.tag(object.number(), &versionId);
    const auto owner = tag ? m_catalog.versionById(versionId) : std::nullopt;
    if (!tag || !owner || m_catalog.isTrashed(*owner))
        noSuchObject(QStringLiteral("there is no tag %1").arg(object.key()));
    return *tag;
}

KeywordRecord ScriptingHandler::keywordOf(const ScriptingObject& object)
{
    const auto keyword = m_catalog.keyword(object.number());
    if (!keyword)
        noSuchObject(QStringLiteral("there is no keyword %1").arg(object.key()));
    return *keyword;
}

QList<VersionRecord> ScriptingHandler::versionsOf(const QVariantList& paths)
{
    QList<VersionRecord> versions;
    versions.reserve(paths.size());
    for (const QVariant& path : paths)
        versions.append(versionOf(target(path.value<QDBusObjectPath>().path())));
    return versions;
}

QVariantList ScriptingHandler::paths(const QList<ScriptingObject>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (const ScriptingObject& object : objects)
        list.append(reference(object));
    return list;
}

// Dispatch ------------------------------------------------------------------

QVariantList ScriptingHandler::handle(const QString& path, const QString& method,
                                      const QVariantList& arguments)
{
    const ScriptingObject object = target(path);
    const auto text = [&](int i) {
        return arguments.value(i).toString();
    };
    if (method == QLatin1String("GetText"))
        return {typedProperty(object, text(0), QMetaType::QString)};
    if (method == QLatin1String("GetInteger"))
        return {typedProperty(object, text(0), QMetaType::Int)};
    if (method == QLatin1String("GetReal"))
        return {typedProperty(object, text(0), QMetaType::Double)};
    if (method == QLatin1String("GetBoolean"))
        return {typedProperty(object, text(0), QMetaType::Bool)};
    if (method == QLatin1String("GetValue"))
        return {property(object, text(0))};
    if (method.startsWith(QLatin1String("Set"))) {
        setProperty(object, text(0), arguments.value(1));
        return {};
    }
    if (method == QLatin1String("Elements"))
        return {paths(elements(object, text(0)))};
    if (method == QLatin1String("ElementNamed")) {
        for (const ScriptingObject& element : elements(object, text(0)))
            if (property(element, QStringLiteral("name")).toString() == text(1))
                return {reference(element)};
        throw PeerError(
            PeerError::Code::NoSuchElement,
            QStringLiteral("%1 has no %2 named \"%3\"").arg(describe(object), text(0), text(1)));
    }
    if (method == QLatin1String("MakeProject")) {
        if (object.kind() != ScriptingObject::Kind::Library || object.number() != 1)
            noSuchObject(QStringLiteral("projects are made in the library /library/1, not in %1")
                             .arg(describe(object)));
        return {reference(ScriptingObject::numbered(ScriptingObject::Kind::Project,
                                                    m_catalog.createProject(text(0))))};
    }
    if (method == QLatin1String("AddKeyword")) {
        const VersionRecord version = versionOf(object);
        if (text(0).isEmpty())
            throw PeerError(PeerError::Code::InvalidArgument,
                            QStringLiteral("a keyword needs a name"));
        return {reference(ScriptingObject::numbered(
            ScriptingObject::Kind::Keyword, m_catalog.addKeyword(version.id, text(0), text(1))))};
    }
    if (method == QLatin1String("AddTag")) {
        const VersionRecord version = versionOf(object);
        const QString kind = tagKind(text(0));
        if (kind != kCustom && kind != kIptc)
            throw PeerError(
                PeerError::Code::ReadOnly,
                QStringLiteral("tags are added to customTags or IPTCTags, not to \"%1\"")
                    .arg(text(0)));
        if (text(1).isEmpty())
            throw PeerError(PeerError::Code::InvalidArgument, QStringLiteral("a tag needs a name"));
        return {reference(ScriptingObject::numbered(
            ScriptingObject::Kind::Tag,
            m_catalog.setTag(version.id, kind, text(1), arguments.value(2))))};
    }
    if (method == QLatin1String("RefreshMetadata")) {
        refreshMetadata(versionOf(object));
        return {};
    }
    if (method == QLatin1String("DuplicateTo")) {
        const VersionRecord version = versionOf(object);
        const AlbumRecord album =
            albumOf(target(arguments.value(0).value<QDBusObjectPath>().path()));
        m_catalog.addToAlbum(album.id, version.id);
        return {};
    }
    if (method == QLatin1String("MoveTo")) {
        const VersionRecord version = versionOf(object);
        const ProjectRecord project =
            liveProject(target(arguments.value(0).value<QDBusObjectPath>().path()));
        m_catalog.moveToProject(version, project.id);
        return {};
    }
    if (method == QLatin1String("Delete")) {
        if (object.kind() != ScriptingObject::Kind::Project)
            throw PeerError(
                PeerError::Code::NotSupported,
                QStringLiteral("only projects can be deleted, not %1").arg(describe(object)));
        m_catalog.trashProject(liveProject(object).id);
        return {};
    }
    if (object.kind() != ScriptingObject::Kind::Application)
        throw PeerError(PeerError::Code::NotSupported,
                        QStringLiteral("%1 is a command of the application /application, not of %2")
                            .arg(method, describe(object)));
    if (method == QLatin1String("ValuesForKeys"))
        return {valuesForKeys(arguments.value(0).toList(), arguments.value(1).toStringList())};
    if (method == QLatin1String("Export"))
        return {exportImages(arguments.value(0).toList(),
                             arguments.value(1).value<QDBusObjectPath>().path(),
                             arguments.value(2).toUInt(), text(3))};
    if (method == QLatin1String("Import"))
        return {importFiles(arguments.value(0).toStringList(), arguments.value(1).toUInt(),
                            arguments.value(2).value<QDBusObjectPath>().path())};
    if (method == QLatin1String("AdjustImageDate")) {
        adjustImageDate(arguments.value(0).toDateTime(), arguments.value(1).toList(),
                        arguments.value(2).toBool());
        return {};
    }
    throw PeerError(PeerError::Code::NotSupported, QStringLiteral("no command %1").arg(method));
}

// Properties ----------------------------------------------------------------

QVariant ScriptingHandler::typedProperty(const ScriptingObject& object, const QString& name,
                                         int metaType)
{
    const QVariant value = property(object, name);
    if (value.metaType().id() == metaType)
        return value;
    throw PeerError(PeerError::Code::WrongType, QStringLiteral("\"%1\" of %2 is %3, not %4")
                                                    .arg(name, describe(object), typeWord(value),
                                                         typeWord(QVariant(QMetaType(metaType)))));
}

QVariant ScriptingHandler::property(const ScriptingObject& object, const QString& name)
{
    const auto isName = name == QLatin1String("name");
    switch (object.kind()) {
    case ScriptingObject::Kind::Application:
        if (name == QLatin1String("version"))
            return m_options.versionText;
        if (isName)
            return QStringLiteral("photolib");
        break;
    case ScriptingObject::Kind::Library:
        if (object.number() != 1)
            noSuchObject(QStringLiteral("there is no library %1").arg(object.key()));
        if (isName)
            return m_library.name();
        break;
    case ScriptingObject::Kind::Project:
        if (isName)
            return liveProject(object).name;
        liveProject(object);
        break;
    case ScriptingObject::Kind::Album:
        if (isName)
            return albumOf(object).name;
        albumOf(object);
        break;
    case ScriptingObject::Kind::ExportSetting:
        if (isName)
            return settingOf(object).name();
        settingOf(object);
        break;
    case ScriptingObject::Kind::Version:
        return versionProperty(versionOf(object), name);
    case ScriptingObject::Kind::Keyword: {
        const KeywordRecord keyword = keywordOf(object);
        if (isName)
            return keyword.name;
        if (name == QLatin1String("parents"))
            return keyword.parents;
        break;
    }
    case ScriptingObject::Kind::Tag: {
        const TagRecord tag = tagOf(object);
        if (isName)
            return tag.name;
        if (name == QLatin1String("value"))
            return tag.value;
        break;
    }
    case ScriptingObject::Kind::OtherTag: {
        for (const auto& [tagName, value] : otherTags(versionOf(object))) {
            if (tagName != object.subKey())
                continue;
            if (isName)
                return tagName;
            if (name == QLatin1String("value"))
                return value;
            noSuchProperty(object, name);
        }
        noSuchObject(QStringLiteral("there is no other tag %1").arg(object.path()));
    }
    case ScriptingObject::Kind::None:
        noSuchObject(QStringLiteral("\"/\" names no object"));
    }
    noSuchProperty(object, name);
}

QVariant ScriptingHandler::versionProperty(const VersionRecord& version, const QString& name)
{
    if (name == QLatin1String("id"))
        return version.uuid;
    if (name == QLatin1String("name"))
        return version.name;
    if (name == QLatin1String("height"))
        return version.height();
    if (name == QLatin1String("width"))
        return version.width();
    if (name == QLatin1String("online"))
        return m_catalog.isOnline(version.masterId);
    if (name == QLatin1String("mainRating"))
        return version.mainRating;
    if (name == QLatin1String("flagged"))
        return version.flagged;
    if (name == QLatin1String("latitude"))
        return version.latitude;
    if (name == QLatin1String("longitude"))
        return version.longitude;
    if (name == QLatin1String("properties"))
        return versionRecord(version);
    noSuchProperty(ScriptingObject::version(version.uuid), name);
}

QVariantMap ScriptingHandler::versionRecord(const VersionRecord& version)
{
    QVariantList files;
    for (const MasterFileRecord& file : m_catalog.masterFiles(version.masterId))
        files.append(file.fileName());
    QVariantMap record{
        {QStringLiteral("id"), version.uuid},
        {QStringLiteral("name"), version.name},
        {QStringLiteral("width"), version.width()},
        {QStringLiteral("height"), version.height()},
        {QStringLiteral("mainRating"), version.mainRating},
        {QStringLiteral("flagged"), version.flagged},
        {QStringLiteral("online"), m_catalog.isOnline(version.masterId)},
        {QStringLiteral("latitude"), version.latitude},
        {QStringLiteral("longitude"), version.longitude},
        {QStringLiteral("masterFiles"), files},
    };
    if (const auto project = m_catalog.project(version.projectId))
        record.insert(QStringLiteral("project"), project->name);
    for (const TagRecord& tag : m_catalog.tags(version.id, kExif))
        if (tag.name == QLatin1String("ImageDate"))
            record.insert(QStringLiteral("imageDate"), tag.value);
    return record;
}

void ScriptingHandler::setProperty(const ScriptingObject& object, const QString& name,
                                   const QVariant& value)
{
    if (object.kind() == ScriptingObject::Kind::Project && name == QLatin1String("name")) {
        m_catalog.setProjectName(liveProject(object).id, value.toString());
        return;
    }
    if (object.kind() == ScriptingObject::Kind::Album && name == QLatin1String("name")) {
        m_catalog.setAlbumName(albumOf(object).id, value.toString());
        return;
    }
    if (object.kind() != ScriptingObject::Kind::Version) {
        property(object, name); // names the missing object or property
        throw PeerError(
            PeerError::Code::ReadOnly,
            QStringLiteral("\"%1\" of %2 cannot be changed").arg(name, describe(object)));
    }
    const VersionRecord version = versionOf(object);
    const auto requireType = [&](int type) {
        if (value.metaType().id() != type)
            throw PeerError(PeerError::Code::WrongType,
                            QStringLiteral("\"%1\" of %2 takes %3, not %4")
                                .arg(name, describe(object), typeWord(QVariant(QMetaType(type))),
                                     typeWord(value)));
    };
    const auto requireRange = [&](double low, double high) {
        const double number = value.toDouble();
        if (!(number >= low && number <= high))
            throw PeerError(PeerError::Code::InvalidArgument,
                            QStringLiteral("\"%1\" of %2 lies between %3 and %4, not %5")
                                .arg(name, describe(object))
                                .arg(low)
                                .arg(high)
                                .arg(number));
    };
    if (name == QLatin1String("name")) {
        requireType(QMetaType::QString);
        m_catalog.setVersionName(version.id, value.toString());
    } else if (name == QLatin1String("mainRating")) {
        requireType(QMetaType::Int);
        requireRange(-1, 5);
        m_catalog.setMainRating(version.id, value.toInt());
    } else if (name == QLatin1String("flagged")) {
        requireType(QMetaType::Bool);
        m_catalog.setFlagged(version.id, value.toBool());
    } else if (name == QLatin1String("latitude")) {
        requireType(QMetaType::Double);
        requireRange(-90, 90);
        m_catalog.setLatitude(version.id, value.toDouble());
    } else if (name == QLatin1String("longitude")) {
        requireType(QMetaType::Double);
        requireRange(-180, 180);
        m_catalog.setLongitude(version.id, value.toDouble());
    } else {
        versionProperty(version, name); // names a missing property
        throw PeerError(
            PeerError::Code::ReadOnly,
            QStringLiteral("\"%1\" of %2 cannot be changed").arg(name, describe(object)));
    }
}

QList<QPair<QString, QVariant>> ScriptingHandler::otherTags(const VersionRecord& version)
{
    const QList<MasterFileRecord> files = m_catalog.masterFiles(version.masterId);
    qint64 size = 0;
    for (const MasterFileRecord& file : files)
        size += file.size;
    return {
        {otherTagNames()[0], files.isEmpty() ? QString() : files.first().fileName()},
        {otherTagNames()[1], QVariant::fromValue<qint64>(size)},
        {otherTagNames()[2],
         reference(ScriptingObject::numbered(ScriptingObject::Kind::Project, version.projectId))},
    };
}

// Elements ------------------------------------------------------------------

QList<ScriptingObject> ScriptingHandler::elements(const ScriptingObject& object,
                                                  const QString& element)
{
    using Kind = ScriptingObject::Kind;
    QList<ScriptingObject> result;
    const auto versionsById = [&](const QList<qint64>& ids) {
        for (qint64 id : ids)
            if (const auto version = m_catalog.versionById(id))
                result.append(ScriptingObject::version(version->uuid));
        return result;
    };
    switch (object.kind()) {
    case Kind::Application:
        if (element == QLatin1String("selection"))
            return versionsById(m_catalog.selection());
        if (element == QLatin1String("libraries"))
            return {ScriptingObject::numbered(Kind::Library, 1)};
        if (element == QLatin1String("albums")) {
            for (const AlbumRecord& album : m_catalog.albums())
                result.append(ScriptingObject::numbered(Kind::Album, album.id));
            return result;
        }
        if (element == QLatin1String("exportSettings")) {
            for (qsizetype i = 0; i < m_settings.size(); ++i)
                result.append(ScriptingObject::numbered(Kind::ExportSetting, i + 1));
            return result;
        }
        break;
    case Kind::Library:
        property(object, QStringLiteral("name"));
        if (element == QLatin1String("projects")) {
            for (const ProjectRecord& project : m_catalog.projects())
                result.append(ScriptingObject::numbered(Kind::Project, project.id));
            return result;
        }
        break;
    case Kind::Project:
        if (element == QLatin1String("imageVersions"))
            return versionsById(m_catalog.projectVersionIds(liveProject(object).id));
        break;
    case Kind::Album:
        if (element == QLatin1String("imageVersions"))
            return versionsById(m_catalog.albumVersionIds(albumOf(object).id));
        break;
    case Kind::Version: {
        const VersionRecord version = versionOf(object);
        if (element == QLatin1String("keywords")) {
            for (const KeywordRecord& keyword : m_catalog.keywords(version.id))
                result.append(ScriptingObject::numbered(Kind::Keyword, keyword.id));
            return result;
        }
        if (element == QLatin1String("otherTags")) {
            for (const QString& name : otherTagNames())
                result.append(ScriptingObject(Kind::OtherTag, version.uuid, name));
            return result;
        }
        const QString kind = tagKind(element);
        if (kind.isEmpty())
            break;
        for (const TagRecord& tag : m_catalog.tags(version.id, kind))
            result.append(ScriptingObject::numbered(Kind::Tag, tag.id));
        return result;
    }
    default:
        property(object, QStringLiteral("name"));
        break;
    }
    throw PeerError(PeerError::Code::NoSuchElement,
                    QStringLiteral("%1 has no elements \"%2\"").arg(describe(object), element));
}

// Bulk read -----------------------------------------------------------------

QVariantList ScriptingHandler::valuesForKeys(const QVariantList& objects, const QStringList& keys)
{
    QList<Resolved> resolved;
    resolved.reserve(objects.size());
    for (const QVariant& path : objects) {
        Resolved entry{target(path.value<QDBusObjectPath>().path()), std::nullopt, {}};
        if (entry.object.kind() == ScriptingObject::Kind::Version)
            entry.version = versionOf(entry.object);
        resolved.append(std::move(entry));
    }
    QVariantList result;
    result.reserve(keys.size());
    for (const QString& key : keys) {
        QVariantList column;
        column.reserve(resolved.size());
        const bool valueList = key.endsWith(QLatin1String("Tags.value"));
        for (Resolved& entry : resolved) {
            QVariant value = keyValue(entry, key);
            if (entry.version && key == QLatin1String("height") &&
                m_options.zeroHeightIds.contains(entry.version->uuid))
                value = 0;
            if (valueList && entry.version &&
                m_options.mismatchedTagIds.contains(entry.version->uuid)) {
                QVariantList shortened = value.toList();
                if (!shortened.isEmpty())
                    shortened.removeLast();
                value = shortened;
            }
            column.append(std::move(value));
        }
        if (valueList && m_options.inconsistentTagLists && !column.isEmpty())
            column.removeLast();
        result.append(QVariant(column));
    }
    return result;
}

QVariant ScriptingHandler::keyValue(Resolved& resolved, const QString& key)
{
    const qsizetype dot = key.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        if (resolved.version)
            return versionProperty(*resolved.version, key);
        return property(resolved.object, key);
    }
    const QString element = key.left(dot);
    const QString name = key.mid(dot + 1);
    if (name != QLatin1String("name") && name != QLatin1String("value") &&
        name != QLatin1String("parents"))
        throw PeerError(
            PeerError::Code::NoSuchProperty,
            QStringLiteral("the key \"%1\" asks for a property elements do not have").arg(key));
    const QString kind = tagKind(element);
    const bool tags = !kind.isEmpty() || element == QLatin1String("otherTags");
    if (!resolved.version || !tags) {
        // Any other element list: one exchange's worth of lookups per element.
        QVariantList values;
        for (const ScriptingObject& item : elements(resolved.object, element))
            values.append(property(item, name));
        return values.isEmpty() ? QVariant() : QVariant(values);
    }
    auto it = resolved.tagLists.find(element);
    if (it == resolved.tagLists.end()) {
        QList<QPair<QString, QVariant>> list;
        if (kind.isEmpty()) {
            list = otherTags(*resolved.version);
            if (m_options.noFileSizeIds.contains(resolved.version->uuid))
                list.removeIf(
                    [](const auto& tag) { return tag.first == QLatin1String("FileSize"); });
        } else {
            for (const TagRecord& tag : m_catalog.tags(resolved.version->id, kind))
                list.append({tag.name, tag.value});
        }
        it = resolved.tagLists.insert(element, list);
    }
    if (name == QLatin1String("parents"))
        throw PeerError(PeerError::Code::NoSuchProperty,
                        QStringLiteral("tags have no property \"parents\" (key \"%1\")").arg(key));
    if (it->isEmpty())
        return {};
    if (name == QLatin1String("name")) {
        // Names as a list of texts: cheaper on the wire than variants.
        QStringList names;
        names.reserve(it->size());
        for (const auto& tag : std::as_const(*it))
            names.append(tag.first);
        return names;
    }
    QVariantList values;
    values.reserve(it->size());
    for (const auto& tag : std::as_const(*it))
        values.append(tag.second);
    return values;
}

// Commands ------------------------------------------------------------------

QStringList ScriptingHandler::exportImages(const QVariantList& versionPaths,
                                           const QString& settingPath, quint32 metadata,
                                           const QString& destination)
{
    const QList<VersionRecord> versions = versionsOf(versionPaths);
    std::optional<ExportSetting> setting;
    const ScriptingObject settingObject = target(settingPath);
    if (settingObject.kind() != ScriptingObject::Kind::None)
        setting = settingOf(settingObject);
    for (const VersionRecord& version : versions)
        if (m_options.failingExports.contains(version.uuid))
            return {};
    Exporter exporter(m_catalog);
    QStringList urls;
    for (const QString& file : exporter.exportVersions(versions, setting, metadata, destination))
        urls.append(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));
    return urls;
}

QVariantList ScriptingHandler::importFiles(const QStringList& files, quint32 mode,
                                           const QString& projectPath)
{
    if (mode != kMoveMode && mode != kReferenceMode)
        throw PeerError(PeerError::Code::InvalidArgument,
                        QStringLiteral("the import mode is 'rkmv' or 'rkrf', not 0x%1")
                            .arg(mode, 8, 16, QLatin1Char('0')));
    const ProjectRecord project = liveProject(target(projectPath));
    m_pendingImport = std::make_unique<Importer>(m_library, m_catalog, *QRandomGenerator::global());
    QList<VersionRecord> imported;
    try {
        imported = m_pendingImport->importFiles(
            files, mode == kMoveMode ? Importer::Mode::Move : Importer::Mode::Reference,
            project.id);
    } catch (const PeerError& error) {
        // A single file that is no image (a sidecar, say) imports nothing:
        // the command answers with no versions. It is read before anything
        // is written, so nothing has changed. Among several files it fails
        // the whole call, which then changes nothing either.
        if (error.code() != PeerError::Code::UnsupportedFile || files.size() != 1)
            throw;
        m_pendingImport.reset();
        return paths({});
    }
    QList<ScriptingObject> created;
    for (const VersionRecord& version : imported)
        created.append(ScriptingObject::version(version.uuid));
    return paths(created);
}

void ScriptingHandler::adjustImageDate(const QDateTime& date, const QVariantList& versionPaths,
                                       bool mastersIncluded)
{
    if (!date.isValid())
        throw PeerError(PeerError::Code::InvalidArgument, QStringLiteral("the date is not valid"));
    const QList<VersionRecord> versions = versionsOf(versionPaths);
    if (mastersIncluded) {
        for (const VersionRecord& version : versions)
            if (!m_catalog.isOnline(version.masterId))
                throw PeerError(
                    PeerError::Code::MasterOffline,
                    QStringLiteral("the master of image version %1 is offline; its date "
                                   "cannot be changed")
                        .arg(version.uuid));
    }
    for (const VersionRecord& version : versions) {
        m_catalog.setTag(version.id, kExif, QStringLiteral("ImageDate"), date.toUTC());
        if (!mastersIncluded)
            continue;
        for (const MasterFileRecord& file : m_catalog.masterFiles(version.masterId)) {
            MetadataWriter::writeImageDate(file.absolutePath, date);
            m_catalog.setMasterFileSize(file.id, QFileInfo(file.absolutePath).size());
        }
    }
}

void ScriptingHandler::refreshMetadata(const VersionRecord& version)
{
    const QList<MasterFileRecord> files = m_catalog.masterFiles(version.masterId);
    if (!m_catalog.isOnline(version.masterId))
        throw PeerError(PeerError::Code::MasterOffline,
                        QStringLiteral("the master of image version %1 is offline (%2)")
                            .arg(version.uuid, files.value(0).absolutePath));
    const MediaReader::Info info = MediaReader::read(files.first().absolutePath);
    m_catalog.removeTags(version.id, kExif);
    for (const auto& [name, value] : info.exif)
        m_catalog.setTag(version.id, kExif, name, value);
    m_catalog.setMasterSize(version.id, info.width, info.height);
    for (const MasterFileRecord& file : files)
        m_catalog.setMasterFileSize(file.id, QFileInfo(file.absolutePath).size());
}
