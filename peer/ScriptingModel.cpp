#include "ScriptingModel.h"

#include "Library.h"
#include "PeerError.h"

#include <QDBusObjectPath>

namespace {

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
    throw PeerError(
        PeerError::Code::NoSuchProperty,
        QStringLiteral("%1 has no property \"%2\"").arg(ScriptingModel::describe(object), name));
}

} // namespace

ScriptingModel::ScriptingModel(Library& library, Catalog& catalog, QString versionText,
                               QList<ExportSetting> settings)
    : m_library(library), m_catalog(catalog), m_versionText(std::move(versionText)),
      m_settings(std::move(settings))
{}

QVariant ScriptingModel::reference(const ScriptingObject& object)
{
    return QVariant::fromValue(QDBusObjectPath(object.path()));
}

QString ScriptingModel::describe(const ScriptingObject& object)
{
    return QStringLiteral("%1 %2").arg(object.kindName(), object.path());
}

QString ScriptingModel::tagKind(const QString& element)
{
    if (element == QLatin1String("customTags"))
        return customKind;
    if (element == QLatin1String("IPTCTags"))
        return iptcKind;
    if (element == QLatin1String("EXIFTags"))
        return exifKind;
    return {};
}

const QStringList& ScriptingModel::otherTagNames()
{
    static const QStringList names = {QStringLiteral("FileName"), QStringLiteral("FileSize"),
                                      QStringLiteral("MasterProject")};
    return names;
}

// Resolution ----------------------------------------------------------------

ScriptingObject ScriptingModel::target(const QString& path) const
{
    const auto object = ScriptingObject::parse(path);
    if (!object)
        noSuchObject(QStringLiteral("%1 names no object of the library").arg(path));
    return *object;
}

VersionRecord ScriptingModel::versionOf(const ScriptingObject& object)
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

ProjectRecord ScriptingModel::liveProject(const ScriptingObject& object)
{
    if (object.kind() != ScriptingObject::Kind::Project)
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("%1 is not a project").arg(describe(object)));
    const auto project = m_catalog.project(object.number());
    if (!project || project->trashed)
        noSuchObject(QStringLiteral("there is no project %1 outside the trash").arg(object.key()));
    return *project;
}

AlbumRecord ScriptingModel::albumOf(const ScriptingObject& object)
{
    if (object.kind() != ScriptingObject::Kind::Album)
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("%1 is not an album").arg(describe(object)));
    const auto album = m_catalog.album(object.number());
    if (!album)
        noSuchObject(QStringLiteral("there is no album %1").arg(object.key()));
    return *album;
}

const ExportSetting& ScriptingModel::settingOf(const ScriptingObject& object) const
{
    if (object.kind() != ScriptingObject::Kind::ExportSetting)
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("%1 is not an export setting").arg(describe(object)));
    const qint64 index = object.number() - 1;
    if (index < 0 || index >= m_settings.size())
        noSuchObject(QStringLiteral("there is no export setting %1").arg(object.key()));
    return m_settings[index];
}

TagRecord ScriptingModel::tagOf(const ScriptingObject& object)
{
    qint64 versionId = 0;
    const auto tag = m_catalog.tag(object.number(), &versionId);
    const auto owner = tag ? m_catalog.versionById(versionId) : std::nullopt;
    if (!tag || !owner || m_catalog.isTrashed(*owner))
        noSuchObject(QStringLiteral("there is no tag %1").arg(object.key()));
    return *tag;
}

KeywordRecord ScriptingModel::keywordOf(const ScriptingObject& object)
{
    const auto keyword = m_catalog.keyword(object.number());
    if (!keyword)
        noSuchObject(QStringLiteral("there is no keyword %1").arg(object.key()));
    return *keyword;
}

QList<VersionRecord> ScriptingModel::versionsOf(const QVariantList& paths)
{
    QList<VersionRecord> versions;
    versions.reserve(paths.size());
    for (const QVariant& path : paths)
        versions.append(versionOf(target(path.value<QDBusObjectPath>().path())));
    return versions;
}

QVariantList ScriptingModel::paths(const QList<ScriptingObject>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (const ScriptingObject& object : objects)
        list.append(reference(object));
    return list;
}

// Properties ----------------------------------------------------------------

QVariant ScriptingModel::typedProperty(const ScriptingObject& object, const QString& name,
                                       int metaType)
{
    const QVariant value = property(object, name);
    if (value.metaType().id() == metaType)
        return value;
    throw PeerError(PeerError::Code::WrongType, QStringLiteral("\"%1\" of %2 is %3, not %4")
                                                    .arg(name, describe(object), typeWord(value),
                                                         typeWord(QVariant(QMetaType(metaType)))));
}

QVariant ScriptingModel::property(const ScriptingObject& object, const QString& name)
{
    const auto isName = name == QLatin1String("name");
    switch (object.kind()) {
    case ScriptingObject::Kind::Application:
        if (name == QLatin1String("version"))
            return m_versionText;
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

QVariant ScriptingModel::versionProperty(const VersionRecord& version, const QString& name)
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

QVariantMap ScriptingModel::versionRecord(const VersionRecord& version)
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
    for (const TagRecord& tag : m_catalog.tags(version.id, exifKind))
        if (tag.name == QLatin1String("ImageDate"))
            record.insert(QStringLiteral("imageDate"), tag.value);
    return record;
}

void ScriptingModel::setProperty(const ScriptingObject& object, const QString& name,
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

QList<QPair<QString, QVariant>> ScriptingModel::otherTags(const VersionRecord& version)
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

QList<ScriptingObject> ScriptingModel::elements(const ScriptingObject& object,
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
