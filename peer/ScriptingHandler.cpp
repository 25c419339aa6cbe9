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

namespace {

constexpr quint32 kMoveMode = 0x726b6d76;      // 'rkmv'
constexpr quint32 kReferenceMode = 0x726b7266; // 'rkrf'

QString text(const QVariantList& arguments, qsizetype i)
{
    return arguments.value(i).toString();
}

QString pathArgument(const QVariantList& arguments, qsizetype i)
{
    return arguments.value(i).value<QDBusObjectPath>().path();
}

} // namespace

/// A bulk-read object with what the keys have looked up for it so far.
struct ScriptingHandler::Resolved {
    ScriptingObject object;
    std::optional<VersionRecord> version;
    QHash<QString, QList<QPair<QString, QVariant>>> tagLists; // element → (name, value)
};

ScriptingHandler::ScriptingHandler(Library& library, const ServeOptions& options)
    : m_library(library), m_catalog(library),
      m_model(library, m_catalog, options.versionText, ExportSetting::offered(options.tiffSetting))
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

// Dispatch ------------------------------------------------------------------

const QHash<QString, ScriptingHandler::Entry>& ScriptingHandler::methods()
{
    static const QHash<QString, Entry> table = {
        {QStringLiteral("GetText"), {&ScriptingHandler::getText, false}},
        {QStringLiteral("GetInteger"), {&ScriptingHandler::getInteger, false}},
        {QStringLiteral("GetReal"), {&ScriptingHandler::getReal, false}},
        {QStringLiteral("GetBoolean"), {&ScriptingHandler::getBoolean, false}},
        {QStringLiteral("GetValue"), {&ScriptingHandler::getValue, false}},
        {QStringLiteral("SetText"), {&ScriptingHandler::setValue, false}},
        {QStringLiteral("SetInteger"), {&ScriptingHandler::setValue, false}},
        {QStringLiteral("SetReal"), {&ScriptingHandler::setValue, false}},
        {QStringLiteral("SetBoolean"), {&ScriptingHandler::setValue, false}},
        {QStringLiteral("Elements"), {&ScriptingHandler::elements, false}},
        {QStringLiteral("ElementNamed"), {&ScriptingHandler::elementNamed, false}},
        {QStringLiteral("MakeProject"), {&ScriptingHandler::makeProject, false}},
        {QStringLiteral("AddKeyword"), {&ScriptingHandler::addKeyword, false}},
        {QStringLiteral("AddTag"), {&ScriptingHandler::addTag, false}},
        {QStringLiteral("RefreshMetadata"), {&ScriptingHandler::refreshMetadata, false}},
        {QStringLiteral("DuplicateTo"), {&ScriptingHandler::duplicateTo, false}},
        {QStringLiteral("MoveTo"), {&ScriptingHandler::moveTo, false}},
        {QStringLiteral("Delete"), {&ScriptingHandler::deleteObject, false}},
        {QStringLiteral("ValuesForKeys"), {&ScriptingHandler::valuesForKeys, true}},
        {QStringLiteral("Export"), {&ScriptingHandler::exportImages, true}},
        {QStringLiteral("Import"), {&ScriptingHandler::importFiles, true}},
        {QStringLiteral("AdjustImageDate"), {&ScriptingHandler::adjustImageDate, true}},
    };
    return table;
}

QVariantList ScriptingHandler::handle(const QString& path, const QString& method,
                                      const QVariantList& arguments)
{
    const ScriptingObject object = m_model.target(path);
    const auto entry = methods().constFind(method);
    const bool known = entry != methods().cend();
    if ((!known || entry->ofApplication) && object.kind() != ScriptingObject::Kind::Application)
        throw PeerError(PeerError::Code::NotSupported,
                        QStringLiteral("%1 is a command of the application /application, not of %2")
                            .arg(method, ScriptingModel::describe(object)));
    if (!known)
        throw PeerError(PeerError::Code::NotSupported, QStringLiteral("no command %1").arg(method));
    return (this->*(entry->run))(object, arguments);
}

// Properties and elements ---------------------------------------------------

QVariantList ScriptingHandler::getText(const ScriptingObject& object, const QVariantList& arguments)
{
    return {m_model.typedProperty(object, text(arguments, 0), QMetaType::QString)};
}

QVariantList ScriptingHandler::getInteger(const ScriptingObject& object,
                                          const QVariantList& arguments)
{
    return {m_model.typedProperty(object, text(arguments, 0), QMetaType::Int)};
}

QVariantList ScriptingHandler::getReal(const ScriptingObject& object, const QVariantList& arguments)
{
    return {m_model.typedProperty(object, text(arguments, 0), QMetaType::Double)};
}

QVariantList ScriptingHandler::getBoolean(const ScriptingObject& object,
                                          const QVariantList& arguments)
{
    return {m_model.typedProperty(object, text(arguments, 0), QMetaType::Bool)};
}

QVariantList ScriptingHandler::getValue(const ScriptingObject& object,
                                        const QVariantList& arguments)
{
    return {m_model.property(object, text(arguments, 0))};
}

QVariantList ScriptingHandler::setValue(const ScriptingObject& object,
                                        const QVariantList& arguments)
{
    m_model.setProperty(object, text(arguments, 0), arguments.value(1));
    return {};
}

QVariantList ScriptingHandler::elements(const ScriptingObject& object,
                                        const QVariantList& arguments)
{
    return {ScriptingModel::paths(m_model.elements(object, text(arguments, 0)))};
}

QVariantList ScriptingHandler::elementNamed(const ScriptingObject& object,
                                            const QVariantList& arguments)
{
    const QString element = text(arguments, 0);
    const QString name = text(arguments, 1);
    for (const ScriptingObject& candidate : m_model.elements(object, element))
        if (m_model.property(candidate, QStringLiteral("name")).toString() == name)
            return {ScriptingModel::reference(candidate)};
    throw PeerError(PeerError::Code::NoSuchElement,
                    QStringLiteral("%1 has no %2 named \"%3\"")
                        .arg(ScriptingModel::describe(object), element, name));
}

// Commands of objects -------------------------------------------------------

QVariantList ScriptingHandler::makeProject(const ScriptingObject& object,
                                           const QVariantList& arguments)
{
    if (object.kind() != ScriptingObject::Kind::Library || object.number() != 1)
        throw PeerError(PeerError::Code::NoSuchObject,
                        QStringLiteral("projects are made in the library /library/1, not in %1")
                            .arg(ScriptingModel::describe(object)));
    return {ScriptingModel::reference(ScriptingObject::numbered(
        ScriptingObject::Kind::Project, m_catalog.createProject(text(arguments, 0))))};
}

QVariantList ScriptingHandler::addKeyword(const ScriptingObject& object,
                                          const QVariantList& arguments)
{
    const VersionRecord version = m_model.versionOf(object);
    if (text(arguments, 0).isEmpty())
        throw PeerError(PeerError::Code::InvalidArgument, QStringLiteral("a keyword needs a name"));
    return {ScriptingModel::reference(ScriptingObject::numbered(
        ScriptingObject::Kind::Keyword,
        m_catalog.addKeyword(version.id, text(arguments, 0), text(arguments, 1))))};
}

QVariantList ScriptingHandler::addTag(const ScriptingObject& object, const QVariantList& arguments)
{
    const VersionRecord version = m_model.versionOf(object);
    const QString kind = ScriptingModel::tagKind(text(arguments, 0));
    if (kind != ScriptingModel::customKind && kind != ScriptingModel::iptcKind)
        throw PeerError(PeerError::Code::ReadOnly,
                        QStringLiteral("tags are added to customTags or IPTCTags, not to \"%1\"")
                            .arg(text(arguments, 0)));
    if (text(arguments, 1).isEmpty())
        throw PeerError(PeerError::Code::InvalidArgument, QStringLiteral("a tag needs a name"));
    return {ScriptingModel::reference(ScriptingObject::numbered(
        ScriptingObject::Kind::Tag,
        m_catalog.setTag(version.id, kind, text(arguments, 1), arguments.value(2))))};
}

QVariantList ScriptingHandler::refreshMetadata(const ScriptingObject& object, const QVariantList&)
{
    const VersionRecord version = m_model.versionOf(object);
    const QList<MasterFileRecord> files = m_catalog.masterFiles(version.masterId);
    if (!m_catalog.isOnline(version.masterId))
        throw PeerError(PeerError::Code::MasterOffline,
                        QStringLiteral("the master of image version %1 is offline (%2)")
                            .arg(version.uuid, files.value(0).absolutePath));
    const MediaReader::Info info = MediaReader::read(files.first().absolutePath);
    m_catalog.removeTags(version.id, ScriptingModel::exifKind);
    for (const auto& [name, value] : info.exif)
        m_catalog.setTag(version.id, ScriptingModel::exifKind, name, value);
    m_catalog.setMasterSize(version.id, info.width, info.height);
    for (const MasterFileRecord& file : files)
        m_catalog.setMasterFileSize(file.id, QFileInfo(file.absolutePath).size());
    return {};
}

QVariantList ScriptingHandler::duplicateTo(const ScriptingObject& object,
                                           const QVariantList& arguments)
{
    const VersionRecord version = m_model.versionOf(object);
    const AlbumRecord album = m_model.albumOf(m_model.target(pathArgument(arguments, 0)));
    m_catalog.addToAlbum(album.id, version.id);
    return {};
}

QVariantList ScriptingHandler::moveTo(const ScriptingObject& object, const QVariantList& arguments)
{
    const VersionRecord version = m_model.versionOf(object);
    const ProjectRecord project = m_model.liveProject(m_model.target(pathArgument(arguments, 0)));
    m_catalog.moveToProject(version, project.id);
    return {};
}

QVariantList ScriptingHandler::deleteObject(const ScriptingObject& object, const QVariantList&)
{
    if (object.kind() != ScriptingObject::Kind::Project)
        throw PeerError(PeerError::Code::NotSupported,
                        QStringLiteral("only projects can be deleted, not %1")
                            .arg(ScriptingModel::describe(object)));
    m_catalog.trashProject(m_model.liveProject(object).id);
    return {};
}

// Bulk read -----------------------------------------------------------------

QVariantList ScriptingHandler::valuesForKeys(const ScriptingObject&, const QVariantList& arguments)
{
    QList<Resolved> resolved;
    for (const QVariant& path : arguments.value(0).toList()) {
        Resolved entry{m_model.target(path.value<QDBusObjectPath>().path()), std::nullopt, {}};
        if (entry.object.kind() == ScriptingObject::Kind::Version)
            entry.version = m_model.versionOf(entry.object);
        resolved.append(std::move(entry));
    }
    const QStringList keys = arguments.value(1).toStringList();
    QVariantList columns;
    columns.reserve(keys.size());
    for (const QString& key : keys) {
        QVariantList column;
        column.reserve(resolved.size());
        for (Resolved& entry : resolved)
            column.append(keyValue(entry, key));
        columns.append(QVariant(column));
    }
    return {QVariant(columns)};
}

QVariant ScriptingHandler::keyValue(Resolved& resolved, const QString& key)
{
    const qsizetype dot = key.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        if (resolved.version)
            return m_model.versionProperty(*resolved.version, key);
        return m_model.property(resolved.object, key);
    }
    const QString element = key.left(dot);
    const QString name = key.mid(dot + 1);
    if (name != QLatin1String("name") && name != QLatin1String("value") &&
        name != QLatin1String("parents"))
        throw PeerError(
            PeerError::Code::NoSuchProperty,
            QStringLiteral("the key \"%1\" asks for a property elements do not have").arg(key));
    const QString kind = ScriptingModel::tagKind(element);
    const bool tags = !kind.isEmpty() || element == QLatin1String("otherTags");
    if (!resolved.version || !tags) {
        // Any other element list: one exchange's worth of lookups per element.
        QVariantList values;
        for (const ScriptingObject& item : m_model.elements(resolved.object, element))
            values.append(m_model.property(item, name));
        return values.isEmpty() ? QVariant() : QVariant(values);
    }
    auto it = resolved.tagLists.find(element);
    if (it == resolved.tagLists.end())
        it = resolved.tagLists.insert(element, tagList(*resolved.version, kind));
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

QList<QPair<QString, QVariant>> ScriptingHandler::tagList(const VersionRecord& version,
                                                          const QString& kind)
{
    if (kind.isEmpty())
        return m_model.otherTags(version);
    QList<QPair<QString, QVariant>> list;
    for (const TagRecord& tag : m_catalog.tags(version.id, kind))
        list.append({tag.name, tag.value});
    return list;
}

// Commands of the application -----------------------------------------------

QVariantList ScriptingHandler::exportImages(const ScriptingObject&, const QVariantList& arguments)
{
    const QList<VersionRecord> versions = m_model.versionsOf(arguments.value(0).toList());
    std::optional<ExportSetting> setting;
    const ScriptingObject settingObject = m_model.target(pathArgument(arguments, 1));
    if (settingObject.kind() != ScriptingObject::Kind::None)
        setting = m_model.settingOf(settingObject);
    Exporter exporter(m_catalog);
    QStringList urls;
    for (const QString& file : exporter.exportVersions(
             versions, setting, arguments.value(2).toUInt(), text(arguments, 3)))
        urls.append(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));
    return {urls};
}

QVariantList ScriptingHandler::importFiles(const ScriptingObject&, const QVariantList& arguments)
{
    const QStringList files = arguments.value(0).toStringList();
    const quint32 mode = arguments.value(1).toUInt();
    if (mode != kMoveMode && mode != kReferenceMode)
        throw PeerError(PeerError::Code::InvalidArgument,
                        QStringLiteral("the import mode is 'rkmv' or 'rkrf', not 0x%1")
                            .arg(mode, 8, 16, QLatin1Char('0')));
    const ProjectRecord project = m_model.liveProject(m_model.target(pathArgument(arguments, 2)));
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
        return {ScriptingModel::paths({})};
    }
    QList<ScriptingObject> created;
    for (const VersionRecord& version : imported)
        created.append(ScriptingObject::version(version.uuid));
    return {ScriptingModel::paths(created)};
}

QVariantList ScriptingHandler::adjustImageDate(const ScriptingObject&,
                                               const QVariantList& arguments)
{
    const QDateTime date = arguments.value(0).toDateTime();
    const bool mastersIncluded = arguments.value(2).toBool();
    if (!date.isValid())
        throw PeerError(PeerError::Code::InvalidArgument, QStringLiteral("the date is not valid"));
    const QList<VersionRecord> versions = m_model.versionsOf(arguments.value(1).toList());
    if (mastersIncluded) {
        for (const VersionRecord& version : versions)
            if (!m_catalog.isOnline(version.masterId))
                throw PeerError(PeerError::Code::MasterOffline,
                                QStringLiteral("the master of image version %1 is offline; its "
                                               "date cannot be changed")
                                    .arg(version.uuid));
    }
    for (const VersionRecord& version : versions) {
        m_catalog.setTag(version.id, ScriptingModel::exifKind, QStringLiteral("ImageDate"),
                         date.toUTC());
        if (!mastersIncluded)
            continue;
        for (const MasterFileRecord& file : m_catalog.masterFiles(version.masterId)) {
            MetadataWriter::writeImageDate(file.absolutePath, date);
            m_catalog.setMasterFileSize(file.id, QFileInfo(file.absolutePath).size());
        }
    }
    return {};
}
