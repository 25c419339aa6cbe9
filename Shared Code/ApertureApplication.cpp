#include "ApertureApplication.h"

#include "scripting/ScriptingApplication.h"
#include "scripting/ScriptingError.h"
#include "scripting/ScriptingInterface.h"

QByteArray apertureScriptingDeclaration();

namespace {

const QString kApplicationPath = QStringLiteral("/application");

std::shared_ptr<const ScriptingInterface> declaration()
{
    static const std::shared_ptr<const ScriptingInterface> interface = [] {
        QString error;
        auto parsed =
            ScriptingInterface::parse(apertureScriptingDeclaration(),
                                      QLatin1String(ApertureApplication::InterfaceName), &error);
        if (!parsed)
            qFatal("the built-in scripting declaration does not parse: %s", qPrintable(error));
        return std::make_shared<const ScriptingInterface>(std::move(*parsed));
    }();
    return interface;
}

QStringList referencesOf(const QList<ApertureImageVersion>& versions)
{
    QStringList references;
    references.reserve(versions.size());
    for (const ApertureImageVersion& version : versions)
        references.append(version.reference());
    return references;
}

} // namespace

ApertureApplication::ApertureApplication(const QString& bundleIdentifier)
    : ApertureObject(std::make_shared<ScriptingApplication>(bundleIdentifier, declaration()),
                     kApplicationPath)
{}

bool ApertureApplication::isRunning() const
{
    return connection()->isRunning();
}

void ApertureApplication::setTimeout(int seconds) const
{
    connection()->setTimeout(seconds);
}

int ApertureApplication::timeout() const
{
    return connection()->timeout();
}

void ApertureApplication::setSendMode(int mode) const
{
    connection()->setSendMode(mode);
}

int ApertureApplication::sendMode() const
{
    return connection()->sendMode();
}

QList<ApertureImageVersion> ApertureApplication::selection() const
{
    return handles<ApertureImageVersion>(elements(QStringLiteral("selection")));
}

QList<ApertureLibrary> ApertureApplication::libraries() const
{
    return handles<ApertureLibrary>(elements(QStringLiteral("libraries")));
}

QList<ApertureAlbum> ApertureApplication::albums() const
{
    return handles<ApertureAlbum>(elements(QStringLiteral("albums")));
}

QList<ApertureExportSetting> ApertureApplication::exportSettings() const
{
    return handles<ApertureExportSetting>(elements(QStringLiteral("exportSettings")));
}

QHash<QString, QVariantList>
ApertureApplication::valuesForKeys(const QList<ApertureImageVersion>& objects,
                                   const QStringList& keys) const
{
    const QVariantList columns =
        call(QStringLiteral("ValuesForKeys"), {referencesOf(objects), keys}).value(0).toList();
    if (columns.size() != keys.size())
        throw ScriptingError(QStringLiteral("org.freedesktop.DBus.Error.InvalidSignature"),
                             QStringLiteral("ValuesForKeys answered %1 lists for %2 keys")
                                 .arg(columns.size())
                                 .arg(keys.size()));
    QHash<QString, QVariantList> values;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QVariantList column = columns[i].toList();
        // Lists of texts travel as such; every list reaches the caller as a
        // QVariantList.
        for (QVariant& entry : column)
            if (entry.typeId() == QMetaType::QStringList)
                entry = entry.toList();
        values.insert(keys[i], column);
    }
    return values;
}

QList<QUrl> ApertureApplication::exportImages(const QList<ApertureImageVersion>& versions,
                                              const std::optional<ApertureExportSetting>& setting,
                                              ApertureExportMetadata metadata,
                                              const QString& destination) const
{
    const QString settingReference = setting ? setting->reference() : QStringLiteral("/");
    const QVariantList reply =
        call(QStringLiteral("Export"), {referencesOf(versions), settingReference,
                                        QVariant::fromValue(quint32(metadata)), destination});
    QList<QUrl> files;
    for (const QString& file : reply.value(0).toStringList())
        files.append(QUrl(file));
    return files;
}

QList<ApertureImageVersion> ApertureApplication::importFiles(const QStringList& files,
                                                             ApertureImportMode mode,
                                                             const ApertureProject& project) const
{
    const QVariantList reply = call(
        QStringLiteral("Import"), {files, QVariant::fromValue(quint32(mode)), project.reference()});
    QList<ApertureImageVersion> versions;
    for (const QVariant& version : reply.value(0).toList())
        versions.append(version.value<ApertureImageVersion>());
    return versions;
}

void ApertureApplication::adjustImageDate(const QDateTime& date,
                                          const QList<ApertureImageVersion>& versions,
                                          bool mastersIncluded) const
{
    call(QStringLiteral("AdjustImageDate"), {date, referencesOf(versions), mastersIncluded});
}
