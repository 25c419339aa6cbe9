#pragma once

#include "ApertureAlbum.h"
#include "ApertureApplication.h"
#include "ApertureExportSetting.h"
#include "ApertureImageVersion.h"
#include "ApertureProject.h"
#include "RunJournal.h"
#include "OutputSizeRule.h"
#include "RunReport.h"
#include "SBUtils.h"
#include "helpers.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QTemporaryDir;
class RunDelegate;
class ScriptingError;

/// The conversion engine: one instance per run.
///
/// The scan action creates it on the main thread and starts one of the two
/// runs on a background thread, with the delegate as argument:
/// tolvaneScan() re-encodes RAW images as JPEGs (processing options 0 and
/// 1), tolvaneRawJpg() splits RAW+JPEG pairs into separate images (2 to 4).
/// Everything after construction happens on that run thread. Every way out
/// of a run after prepareForRun() passes through endOfRunCleanup() exactly
/// once, and the run's own closing alert comes after it.
///
/// Each image is all or nothing: an original is tagged, hidden or trashed
/// only once its new images are complete (metadata, keyword, albums). When
/// something fails after an import, the new images of that original are
/// taken out again (moved into the run's trash project, which is deleted at
/// the end, so they land in the library's own trash) and the original is
/// left as it was. A scripting failure ends the run cleanly (take-out,
/// cleanup, then an alert that says what is left and where). Exports land in
/// a private work folder of the run's own, removed however the run ends;
/// only the JPEGs that became images stay in a folder the user chose.
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
    /// Only the repair of what interrupted runs left in the library; its
    /// closing alert ("All Done") sums up what was repaired.
    void tolvaneRepair(RunDelegate* delegate);
    /// The savings a conversion run would bring, changing nothing in the
    /// library: the selection's images (or an evenly spread sample of
    /// `sampleSize` of them, extrapolated; 0 for all) are exported and
    /// rendered into the work folder and measured; nothing is imported. Its
    /// closing alert is titled "Estimate".
    void tolvaneEstimate(RunDelegate* delegate, qint64 sampleSize);

    /// The closing statistics' figures of the last run: the masters' and
    /// the JPEGs' bytes of the images it replaced (an estimate's, extrapolated).
    qint64 originalSize() const { return m_originalSize; }
    qint64 convertedSize() const { return m_convertedSize; }
    /// The report the last run or estimate wrote; empty when none was written.
    QString reportPath() const { return m_reportPath; }

private:
    // The engine tests' fixture looks at the steps and the state below.
    friend class RunFixture;

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

    struct ClosingAlert {
        QString title;
        QString message;
    };
    using RunBody = std::optional<ClosingAlert> (TolvaneAperture::*)();
    /// What the conversion run exports: the 16-bit TIFF setting with embedded
    /// metadata (option 0), or the master with a sidecar.
    struct ExportChoice {
        std::optional<ApertureExportSetting> setting;
        ApertureExportMetadata metadata = ApertureExportMetadata::Sidecar;
    };

    /// The original under work and what the run has done for it in the
    /// library so far: what a failure must undo.
    struct ImageUnderWork {
        QString name;     ///< master file name
        qint64 index = 0; ///< in the selection, and the image's report row
        std::optional<ApertureImageVersion> original;
        QList<ApertureImageVersion> newImages; ///< imported so far
        QStringList strayFiles;                ///< in the chosen folder, not (yet) an image
        std::optional<int> ratingBefore;       ///< set once the original was hidden
        /// Set once the original was moved into the trash project: where it was.
        std::optional<ApertureProject> projectBefore;
        qint64 journalRow = 0;
        bool settled = false; ///< finished, or nothing of it in the library
    };
    /// What the repair at the start of a run did.
    struct Repairs {
        int rolledForward = 0;
        int rolledBack = 0;
        int projectsDeleted = 0;
        int foldersRemoved = 0;
    };

    /// Prepares, runs the body, cleans up once, writes the report (when the
    /// run keeps one) and shows the body's closing alert; a scripting failure
    /// becomes the closing alert.
    void run(RunDelegate* delegate, RunBody body, std::optional<RunReport::Kind> report);
    /// Makes the private work folder and checks the chosen one; the alert
    /// that ends the run when either is unusable.
    std::optional<ClosingAlert> prepareWorkFolders();
    ClosingAlert failureAlert(const ScriptingError& error);
    /// Runs one image's work; a scripting failure takes its new images out
    /// again before it ends the run. The work folder is emptied after it.
    template <typename Work>
    void underWork(const ApertureImageVersion& photo, qint64 index, Work work);
    /// Undoes what the library holds of the image under work, whose report
    /// row says it failed for `reason`; never throws. Returns a sentence for
    /// the closing alert.
    QString takeOutUnderWork(const QString& reason);
    void takeOut(const QList<ApertureImageVersion>& images);
    const ApertureProject& projectForTakenOut();
    void deleteTrashProject();
    void clearWorkFolder() const;
    /// Metadata, keyword and albums for each new image, then the original's
    /// tag, hiding and move: the image under work is complete.
    void completeImage(const ApertureImageVersion& photo, qint64 index, const QString& keyword);
    using ImageWork = std::function<void(const ApertureImageVersion& photo, qint64 index)>;
    /// What both runs do: the version check, the repair, `check` (an alert
    /// ends the run), the selection and its lists, then `work` for each
    /// image not converted yet, each all or nothing; the trash project goes
    /// at the end and `closing` gives the alert. None when the run ended
    /// with the user told already.
    std::optional<ClosingAlert>
    eachSelectedImage(const std::function<std::optional<ClosingAlert>()>& check,
                      const ImageWork& work, const std::function<ClosingAlert()>& closing);
    std::optional<ClosingAlert> scanBody();
    std::optional<ClosingAlert> rawJpgBody();
    std::optional<ClosingAlert> repairBody();
    std::optional<ClosingAlert> estimateBody();
    /// Exports and renders one image into the work folder and measures it.
    void estimateImage(const ApertureImageVersion& photo, qint64 index,
                       const ExportChoice& exports);
    /// Whether the image is one a conversion run would export; the report
    /// row of one it would skip says why.
    bool isConvertible(const ApertureImageVersion& photo, qint64 index);
    /// The export setting option 0 needs; the alert when it is missing.
    std::optional<ClosingAlert> chooseExport(ExportChoice& exports) const;
    /// Opens the journal for the library, records this run and finishes or
    /// undoes what earlier interrupted runs left half done.
    void repairEarlierRuns();
    /// Opens the journal for the library; false when there is none to open.
    bool openJournal();
    void rollForward(const RunJournal::Image& image);
    void rollBack(const RunJournal::Image& image);
    /// New images a killed import made that the journal never heard of:
    /// in the target project, named and sized as the file imported.
    QList<ApertureImageVersion> unrecordedImports(const RunJournal::Image& image) const;
    void clearDeadRuns();
    /// Whether the journal records the original as converted (then logged
    /// and reported).
    bool alreadyConverted(const ApertureImageVersion& photo, qint64 index);
    void finishJournalRun();
    /// Loads the selection's lists, albums and trash project; false when the
    /// run must end (the user has been told).
    bool loadSelectionData();
    /// Only the lists (names, sizes, dates) and the report's rows.
    bool loadSelectionLists();
    std::optional<ApertureExportSetting> findTiffExportSetting() const;
    static ClosingAlert emptySelectionAlert();
    void convertImage(const ApertureImageVersion& photo, qint64 index,
                      const std::optional<ApertureExportSetting>& setting,
                      ApertureExportMetadata metadata);
    void checkExportedTiff(const ApertureImageVersion& photo, const QString& exportedFile);
    void separatePair(const ApertureImageVersion& photo, qint64 index);
    /// Hides, trashes and tags an original whose replacement is in place:
    /// the keyword comes last, since it is the one step that cannot be undone.
    void finishOriginal(const ApertureImageVersion& photo);
    ApertureProject masterProjectOf(const ApertureImageVersion& photo) const;
    ApertureImportMode importMode() const;
    /// Option 0: exported through the 16-bit TIFF setting, adjustments kept.
    bool keepsAdjustments() const;
    std::optional<ApertureImageVersion> importFile(const QString& file,
                                                   const ApertureProject& project);
    /// Where a kept pair file is imported from: the work folder, or a free
    /// name in the chosen folder with referenced output.
    QString placeForImport(const QString& exportedFile);
    QString extractedKeyword() const;
    /// Renders the export into a JPEG at `outputPath`; its bytes (also in
    /// the report's row), or none with the row saying why.
    std::optional<qint64> renderJpeg(qint64 index, const QString& exportedFile,
                                     const QString& outputPath);
    /// The output size as the delegate's settings give it.
    OutputSizeRule::Settings outputSizeSettings() const;
    /// The image's JPEG is not smaller than its master and the setting keeps
    /// such files out (then logged).
    bool mustStaySmaller(qint64 index, qint64 jpegBytes) const;
    /// One row per selected image, each "not reached" until its turn.
    void startReportRows();
    void setOutcome(qint64 index, const QString& outcome);
    /// Totals and settings into the report, then the file; its path is
    /// handed to the delegate.
    void writeReport();
    void addReportSettings();
    /// The ids of the report's new images, fetched in one exchange at the end.
    void resolveNewVersionIds();
    void setStatus(const QString& text) const;

    int32_t m_successPreventSleep = -1;
    uint32_t m_assertionID = 0;
    ApertureApplication m_photoApplication;
    helpers m_help;
    std::unique_ptr<SBUtils> m_sbutils;
    RunDelegate* m_delegate = nullptr;
    QString m_tmpDir;
    std::unique_ptr<QTemporaryDir> m_workFolder;
    QString m_workDir;
    bool m_externallyReferenced = false;
    std::optional<ImageUnderWork> m_underWork;
    std::unique_ptr<RunJournal> m_journal;
    QString m_runId;
    QString m_libraryName;
    bool m_skipConverted = true;
    bool m_onlySmaller = true;
    bool m_estimating = false;
    qint64 m_sampleSize = 0;
    std::optional<RunReport> m_report;
    /// New images of each report row, by row; their ids are read at the end.
    QList<QPair<qint64, ApertureImageVersion>> m_reportedNewImages;
    QString m_reportPath;
    Repairs m_repairs;
    /// Originals and taken-out images moved into the trash project.
    qint64 m_movedToTrashProject = 0;
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
