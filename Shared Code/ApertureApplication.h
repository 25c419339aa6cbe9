#pragma once

#include "ApertureAlbum.h"
#include "ApertureCodes.h"
#include "ApertureExportSetting.h"
#include "ApertureImageVersion.h"
#include "ApertureLibrary.h"
#include "ApertureObject.h"
#include "ApertureProject.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

/// The photo library application, reached over the session bus by its
/// bundle identifier, and its application-wide commands.
///
/// Construction opens a connection of its own (nothing is started; the
/// application need not be running). Copies share that connection; it
/// closes when the last copy and the last handle made from it go. Time-out
/// and send mode are those of ScriptingApplication: NoTimeout (-2) waits for
/// ever, the default is 120 s; send mode 3 waits for each reply. Callable
/// from any thread; each call blocks until the application answers; any
/// failure throws ScriptingError (name, reason).
class ApertureApplication : public ApertureObject {
public:
    static constexpr const char* DefaultBundleIdentifier = "com.apple.aperture";
    static constexpr const char* InterfaceName = "org.photolib.Scripting";

    explicit ApertureApplication(
        const QString& bundleIdentifier = QLatin1String(DefaultBundleIdentifier));

    /// Whether the application is running (its bus name has an owner).
    /// Starts nothing.
    bool isRunning() const;
    /// Seconds to wait for each reply; -2 for no time-out.
    void setTimeout(int seconds) const;
    int timeout() const;
    /// 3: wait for each reply (the default).
    void setSendMode(int mode) const;
    int sendMode() const;

    /// The application's version text, such as "3.6".
    QString version() const { return getText(QStringLiteral("version")); }
    /// The selected image versions, in the application's order.
    QList<ApertureImageVersion> selection() const;
    QList<ApertureLibrary> libraries() const;
    QList<ApertureAlbum> albums() const;
    QList<ApertureExportSetting> exportSettings() const;

    /// One bulk read: for each key, one value per object, in object order;
    /// an invalid QVariant where an object has no value. A key is a property
    /// ("id", "height", "width", …) or "<element list>.<property>" such as
    /// "EXIFTags.name", "EXIFTags.value", "otherTags.name", "otherTags.value",
    /// whose value per object is the list of that property over its elements
    /// (null when it has none). References come back as handles.
    QHash<QString, QVariantList> valuesForKeys(const QList<ApertureImageVersion>& objects,
                                               const QStringList& keys) const;

    /// Exports the versions into `destination` (a folder): rendered through
    /// `setting`, or their master files copied when there is none. Returns
    /// the written files as file URLs, masters first, the ".XMP" sidecar
    /// last; empty when the application wrote nothing.
    QList<QUrl> exportImages(const QList<ApertureImageVersion>& versions,
                             const std::optional<ApertureExportSetting>& setting,
                             ApertureExportMetadata metadata, const QString& destination) const;
    /// Imports files (paths or file URLs) into the project; returns the new
    /// image versions, the first being the new image.
    QList<ApertureImageVersion> importFiles(const QStringList& files, ApertureImportMode mode,
                                            const ApertureProject& project) const;
    /// Sets the image date of the versions (and of their master files with
    /// `mastersIncluded`).
    void adjustImageDate(const QDateTime& date, const QList<ApertureImageVersion>& versions,
                         bool mastersIncluded) const;
};
