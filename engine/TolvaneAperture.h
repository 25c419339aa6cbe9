#pragma once

#include "ApertureAlbum.h"
#include "ApertureApplication.h"
#include "ApertureExportSetting.h"
#include "ApertureImageVersion.h"
#include "ApertureProject.h"
#include "SBUtils.h"
#include "helpers.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

class RunDelegate;

/// The conversion engine: one instance per run.
///
/// The scan action creates it on the main thread and starts one of the two
/// runs on a background thread, with the delegate as argument:
/// tolvaneScan() re-encodes RAW images as JPEGs (processing options 0 and
/// 1), tolvaneRawJpg() splits RAW+JPEG pairs into separate images (2 to 4).
/// Everything after construction happens on that run thread. Every way out
/// of a run after prepareForRun() passes through endOfRunCleanup() exactly
/// once, and the run's own closing alert comes after it. A scripting failure
/// during a run ends it cleanly (cleanup, then an alert naming it); what was
/// done to the library until then stays done, and no original is hidden,
/// trashed or tagged unless its replacement was written and imported.
class TolvaneAperture {
public:
    /// The name of the sleep assertion held during a run.
    static const QString& assertionName();
    /// The project that collects trashed originals during a run.
    static const QString& trashProjectName();

    TolvaneAperture();
    ~TolvaneAperture();
    TolvaneAperture(const TolvaneAperture&) = delete;
    TolvaneAperture& operator=(const TolvaneAperture&) = delete;

    /// The conversion run (processing options 0 and 1).
    void tolvaneScan(RunDelegate* delegate);
    /// The RAW+JPEG pair separation run (processing options 2, 3 and 4).
    void tolvaneRawJpg(RunDelegate* delegate);

    // The steps the runs share; public so each can be checked on its own.
    void prepareForRun();
    void getSelection();
    void endOfRunCleanup();
    void loadAlbumData();
    void configureProjectForTrash();
    void removeExportedXmpFile(const QUrl& exportedFile);
    void propageMetaData(const ApertureImageVersion& photo,
                         const std::optional<ApertureImageVersion>& newPhoto, qint64 idx);
    void tagImage(const ApertureImageVersion& image, const QString& parents,
                  const QString& keyword);
    /// Puts the new image into every album that held the original.
    void replayAlbums(const ApertureImageVersion& original, const ApertureImageVersion& newPhoto);

    // Run state, for the front ends and tests.
    void setDelegate(RunDelegate* delegate) { m_delegate = delegate; }
    qint64 originalSize() const { return m_originalSize; }
    qint64 convertedSize() const { return m_convertedSize; }
    QString tmpDir() const { return m_tmpDir; }
    const QStringList& imgTypes() const { return m_imgTypes; }
    bool tiffExportProfileValidated() const { return m_tiffExportProfileValidated; }
    int32_t successPreventSleep() const { return m_successPreventSleep; }
    uint32_t assertionID() const { return m_assertionID; }
    qint64 countPhotos() const { return m_countPhotos; }
    const QStringList& versionId() const { return m_versionId; }
    const QList<ApertureAlbum>& versionAlbum() const { return m_versionAlbum; }
    const std::optional<ApertureProject>& newProjectForTrash() const
    {
        return m_newProjectForTrash;
    }
    const SBUtils& sbutils() const { return *m_sbutils; }
    qint64 processingOption() const { return m_processingOption; }
    QString parentKeywords() const { return m_parentKeywords; }

private:
    struct ClosingAlert {
        QString title;
        QString message;
    };
    using RunBody = std::optional<ClosingAlert> (TolvaneAperture::*)();

    /// Prepares, runs the body, cleans up once and shows the body's closing
    /// alert; a scripting failure becomes the closing alert.
    void run(RunDelegate* delegate, RunBody body);
    std::optional<ClosingAlert> scanBody();
    std::optional<ClosingAlert> rawJpgBody();
    /// Loads the selection's lists, albums and trash project; false when the
    /// run must end (the user has been told).
    bool loadSelectionData();
    std::optional<ApertureExportSetting> findTiffExportSetting() const;
    static ClosingAlert emptySelectionAlert();
    void convertImage(const ApertureImageVersion& photo, qint64 index,
                      const std::optional<ApertureExportSetting>& setting,
                      ApertureExportMetadata metadata);
    void checkExportedTiff(const ApertureImageVersion& photo, const QString& exportedFile);
    void separatePair(const ApertureImageVersion& photo, qint64 index);
    /// Tags, hides and trashes an original whose replacement is in place.
    void finishOriginal(const ApertureImageVersion& photo, bool tag);
    ApertureProject masterProjectOf(const ApertureImageVersion& photo) const;
    ApertureImportMode importMode() const;
    std::optional<ApertureImageVersion> importFile(const QString& file,
                                                   const ApertureProject& project) const;
    QString extractedKeyword() const;
    void setStatus(const QString& text) const;

    int32_t m_successPreventSleep = -1;
    uint32_t m_assertionID = 0;
    ApertureApplication m_photoApplication;
    helpers m_help;
    std::unique_ptr<SBUtils> m_sbutils;
    RunDelegate* m_delegate = nullptr;
    QString m_tmpDir;
    QStringList m_imgTypes;
    QStringList m_filenameList;
    QList<qint64> m_sizeList;
    QList<QDateTime> m_dateList;
    QList<ApertureImageVersion> m_curPhotos;
    qint64 m_countPhotos = 0;
    bool m_trashEnabled = false;
    bool m_tagEnabled = false;
    bool m_hideEnabled = false;
    bool m_albumEnabled = false;
    qint64 m_processingOption = 0;
    qint64 m_originalSize = 0;
    qint64 m_convertedSize = 0;
    QStringList m_versionId;
    QList<ApertureAlbum> m_versionAlbum;
    std::optional<ApertureProject> m_newProjectForTrash;
    QString m_parentKeywords;
    QString m_originalsKeyword;
    QString m_processedKeyword;
    QString m_extractedRawKeyword;
    QString m_extractedJpegKeyword;
    QString m_extractedSeparatedKeyword;
    bool m_tiffExportProfileValidated = false;
    bool m_cleanedUp = false;
};
