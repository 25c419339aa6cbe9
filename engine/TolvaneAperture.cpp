#include "TolvaneAperture.h"

#include "ApertureLibrary.h"
#include "ApertureTag.h"
#include "JpegRenderer.h"
#include "OutputNaming.h"
#include "OutputSizeRule.h"
#include "RunDelegate.h"
#include "RunRules.h"
#include "TolvaneSettings.h"
#include "core/Bundle.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"
#include "imageio/ImageFileTypes.h"
#include "imageio/ImageSource.h"
#include "power/PowerAssertion.h"
#include "scripting/ScriptingError.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUuid>

#include <cmath>

namespace {

const QString kUnableToProcess = QStringLiteral("Unable To Process");

void log(const QString& line)
{
    SystemLog::log(line);
}

QString temporaryDirectory()
{
    return QDir::tempPath() + QLatin1Char('/');
}

// A keyword text from the defaults store as it is; a null text when absent.
QString keywordText(const UserDefaults& defaults, const QString& key)
{
    const QVariant value = defaults.valueForKey(key);
    return value.isValid() ? value.toString() : QString();
}

// Whether this process can make files in `folder`: tried for real, since
// permissions alone do not tell (a read-only mount, a full disk).
bool canWriteInto(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.tolvane-probe-XXXXXX"));
    return probe.open();
}

// An image version's properties record, as a log line shows it.
QString describe(const QVariantMap& properties)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonObject::fromVariantMap(properties)).toJson(QJsonDocument::Compact));
}

bool isJpegFile(const QString& path)
{
    static const QMimeDatabase database;
    return database.mimeTypeForFile(path, QMimeDatabase::MatchExtension)
        .inherits(QStringLiteral("image/jpeg"));
}

bool isDirectory(const QString& path)
{
    return QFileInfo(path).isDir();
}

void deleteFiles(const QStringList& paths)
{
    for (const QString& path : paths)
        helpers::deleteFile(path);
}

QString exportSettingInfoAddress()
{
    const QString address =
        Bundle::main()
            .objectForInfoDictionaryKey(QStringLiteral("TolvaneExportSettingURL"))
            .toString();
    return address.isEmpty() ? QStringLiteral("https://tolvane.org/export-setting/") : address;
}

} // namespace

const QString& TolvaneAperture::assertionName()
{
    static const QString name = QStringLiteral("Tolvane conversion in progress");
    return name;
}

const QString& TolvaneAperture::trashProjectName()
{
    static const QString name = QStringLiteral("TolvaneTrashedImages");
    return name;
}

TolvaneAperture::TolvaneAperture()
    : m_sbutils(std::make_unique<SBUtils>()), m_tmpDir(temporaryDirectory()),
      m_imgTypes(ImageFileTypes::list())
{}

TolvaneAperture::~TolvaneAperture() = default;

void TolvaneAperture::setStatus(const QString& text) const
{
    m_delegate->setStatusText(text);
}

void TolvaneAperture::prepareForRun()
{
    m_trashEnabled = m_delegate->trashEnabled();
    m_tagEnabled = m_delegate->tagEnabled();
    m_hideEnabled = m_delegate->hideEnabled();
    m_albumEnabled = m_delegate->albumEnabled();
    m_processingOption = m_delegate->processingOption();
    m_originalSize = 0;
    m_convertedSize = 0;
    m_delegate->setScanButtonEnabled(false);
    m_delegate->setNowProcessing(true);
    m_sbutils->setAppDelegate(m_delegate);

    // Read once: switching it during a run must not move where JPEGs go. An
    // estimate keeps its JPEGs in the work folder, whatever the setting.
    m_externallyReferenced = !m_estimating && m_delegate->externallyReferenced();
    // The folder's path without a closing slash, so that exactly one follows.
    const QString folder =
        m_delegate->referencedFolder().adjusted(QUrl::StripTrailingSlash).toLocalFile();
    // Referenced output without a chosen folder leaves it empty: the run then
    // ends before anything is exported.
    if (m_externallyReferenced)
        m_tmpDir = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
    else
        m_tmpDir = temporaryDirectory();

    const UserDefaults& defaults = UserDefaults::standard();
    m_parentKeywords = keywordText(defaults, TolvaneSettings::ParentKeywords);
    m_originalsKeyword = keywordText(defaults, TolvaneSettings::OriginalsKeyword);
    m_processedKeyword = keywordText(defaults, TolvaneSettings::ProcessedKeyword);
    m_extractedRawKeyword = keywordText(defaults, TolvaneSettings::ExtractedRawKeyword);
    m_extractedJpegKeyword = keywordText(defaults, TolvaneSettings::ExtractedJpegKeyword);
    m_extractedSeparatedKeyword = keywordText(defaults, TolvaneSettings::ExtractedSeparatedKeyword);

    // On unless turned off: converting an original twice is never what a
    // plain second run over the same selection means.
    const QVariant skip = defaults.valueForKey(TolvaneSettings::SkipConvertedImages);
    m_skipConverted = !skip.isValid() || skip.toBool();
    const QVariant onlySmaller = defaults.valueForKey(TolvaneSettings::OnlySmallerFiles);
    m_onlySmaller = !onlySmaller.isValid() || onlySmaller.toBool();
    m_repairs = {};
    m_runId = QUuid::createUuid().toString(QUuid::WithoutBraces);

    m_successPreventSleep =
        PowerAssertion::createWithName(PowerAssertion::noIdleSleepType(), PowerAssertion::LevelOn,
                                       assertionName(), &m_assertionID);
    m_cleanedUp = false;
}

void TolvaneAperture::getSelection()
{
    m_curPhotos = m_sbutils->getSelection();
    m_countPhotos = m_curPhotos.size();
}

void TolvaneAperture::endOfRunCleanup()
{
    if (m_cleanedUp)
        return;
    m_cleanedUp = true;
    m_delegate->setScanButtonEnabled(true);
    m_delegate->setCountText(QString(""));
    m_delegate->setStatusText(QStringLiteral("Ready"));
    m_delegate->setNowProcessing(false);
    m_delegate->setProgressValue(0);
    if (m_successPreventSleep == 0) {
        PowerAssertion::release(m_assertionID);
        m_successPreventSleep = -1;
    }
}

void TolvaneAperture::run(RunDelegate* delegate, RunBody body,
                          std::optional<RunReport::Kind> report)
{
    m_delegate = delegate;
    prepareForRun();
    m_report.reset();
    m_reportedNewImages.clear();
    m_reportPath.clear();
    if (report)
        m_report.emplace(*report);
    std::optional<ClosingAlert> closing = prepareWorkFolders();
    try {
        if (!closing)
            closing = (this->*body)();
    } catch (const ScriptingError& error) {
        closing = failureAlert(error);
    } catch (const std::exception& error) {
        log(QStringLiteral("Run ended by an internal error: %1")
                .arg(QString::fromUtf8(error.what())));
        const QString undone = takeOutUnderWork(
            QStringLiteral("internal error: %1").arg(QString::fromUtf8(error.what())));
        closing = ClosingAlert{kUnableToProcess,
                               QStringLiteral("Tolvane stopped because of an internal error:\n%1")
                                       .arg(QString::fromUtf8(error.what())) +
                                   undone};
    }
    finishJournalRun();
    m_workFolder.reset();
    m_workDir.clear();
    if (m_report)
        writeReport();
    endOfRunCleanup();
    if (closing)
        m_delegate->showAlert(closing->message, closing->title);
}

std::optional<TolvaneAperture::ClosingAlert> TolvaneAperture::prepareWorkFolders()
{
    // Empty when the folder that TMPDIR names does not exist: the work folder
    // would otherwise land in the root folder.
    const QString temporary = QDir::tempPath();
    if (temporary.isEmpty())
        return ClosingAlert{kUnableToProcess,
                            QStringLiteral("The temporary folder does not exist:\n\n%1")
                                .arg(qEnvironmentVariable("TMPDIR"))};
    m_workFolder = std::make_unique<QTemporaryDir>(temporary + QStringLiteral("/Tolvane-XXXXXX"));
    if (!m_workFolder->isValid())
        return ClosingAlert{kUnableToProcess,
                            QStringLiteral("Tolvane cannot make its work folder in the temporary "
                                           "folder:\n\n%1\n\n%2")
                                .arg(temporary, m_workFolder->errorString())};
    m_workDir = m_workFolder->path() + QLatin1Char('/');
    if (!m_externallyReferenced) {
        m_tmpDir = m_workDir;
        return std::nullopt;
    }
    const QString chosen = m_tmpDir;
    if (chosen.isEmpty())
        return ClosingAlert{kUnableToProcess,
                            QStringLiteral("\"Keep new files in a folder I choose\" is on, but no "
                                           "folder was chosen.\n\nChoose a folder, or turn the "
                                           "setting off.")};
    const QFileInfo folder(chosen);
    QString problem;
    if (!folder.exists())
        problem = QStringLiteral("The folder chosen for the new files does not exist:\n\n%1");
    else if (!folder.isDir())
        problem = QStringLiteral("The place chosen for the new files is not a folder:\n\n%1");
    else if (!canWriteInto(chosen))
        problem = QStringLiteral("Tolvane cannot write into the folder chosen for the new "
                                 "files:\n\n%1");
    if (problem.isEmpty())
        return std::nullopt;
    return ClosingAlert{kUnableToProcess, problem.arg(QDir::cleanPath(chosen))};
}

TolvaneAperture::ClosingAlert TolvaneAperture::failureAlert(const ScriptingError& error)
{
    log(QStringLiteral("Run ended by a failure talking to Aperture: %1: %2")
            .arg(error.name(), error.reason()));
    if (m_estimating)
        return {kUnableToProcess,
                QStringLiteral("The estimate stopped because Aperture did not answer as "
                               "expected.\n\n%1\n%2\n\nNothing in the library was changed.")
                    .arg(error.name(), error.reason())};
    const bool halfDone = m_underWork.has_value();
    const QString undone =
        takeOutUnderWork(QStringLiteral("%1: %2").arg(error.name(), error.reason()));
    QString message = QStringLiteral("Tolvane stopped because Aperture did not answer as "
                                     "expected.\n\n%1\n%2\n\nImages finished before this point "
                                     "are complete.")
                          .arg(error.name(), error.reason());
    message += undone;
    message += halfDone ? QStringLiteral("\n\nThe images after it were left as they were.")
                        : QStringLiteral(" The others were left as they were.");
    if (m_newProjectForTrash && m_photoApplication.isRunning()) {
        // Finish what the normal end does: the project goes to the library's
        // own trash with what it holds.
        try {
            deleteTrashProject();
        } catch (const ScriptingError& failure) {
            log(QStringLiteral("Could not delete the project %1: %2")
                    .arg(trashProjectName(), failure.reason()));
        }
    }
    if (m_movedToTrashProject > 0)
        message += m_newProjectForTrash
                       ? QStringLiteral("\n\nImages moved out of their projects in this run are "
                                        "in the project \"%1\".")
                             .arg(trashProjectName())
                       : QStringLiteral("\n\nImages moved out of their projects in this run are "
                                        "in Aperture's trash.");
    return {kUnableToProcess, message};
}

template <typename Work>
void TolvaneAperture::underWork(const ApertureImageVersion& photo, qint64 index, Work work)
{
    const QString name = m_filenameList.value(index);
    m_underWork = ImageUnderWork{};
    m_underWork->name = name;
    m_underWork->index = index;
    m_underWork->original = photo;
    if (m_journal) {
        RunJournal::Image record;
        record.originalId = photo.reference();
        record.originalReference = photo.reference();
        record.name = name;
        record.settings = {m_processingOption, m_hideEnabled,    m_trashEnabled,
                           m_tagEnabled,       m_parentKeywords, m_originalsKeyword};
        m_underWork->journalRow = m_journal->beginImage(m_runId, m_libraryName, record);
    }
    try {
        work();
    } catch (const ScriptingError&) {
        clearWorkFolder();
        throw;
    }
    deleteFiles(m_underWork->strayFiles);
    if (m_journal && !m_underWork->settled)
        m_journal->setStep(m_underWork->journalRow, RunJournal::Undone);
    m_underWork.reset();
    clearWorkFolder();
}

QString TolvaneAperture::takeOutUnderWork(const QString& reason)
{
    if (!m_underWork)
        return {};
    const ImageUnderWork image = *m_underWork;
    m_underWork.reset();
    setOutcome(image.index, RunReport::failed(reason));
    deleteFiles(image.strayFiles);
    if (image.newImages.isEmpty()) {
        log(QStringLiteral("Could not convert %1; it was left as it was").arg(image.name));
        return QStringLiteral("\n\n%1 was left as it was.").arg(image.name);
    }
    if (!m_photoApplication.isRunning()) {
        log(QStringLiteral("Could not convert %1; Aperture stopped before its new image could be "
                           "taken out again")
                .arg(image.name));
        return QStringLiteral("\n\nAperture stopped while %1 was being converted: its new image "
                              "may be incomplete and could not be taken out again. Run Tolvane "
                              "again on the same selection once Aperture is back.")
            .arg(image.name);
    }
    try {
        if (image.projectBefore) {
            image.original->moveTo(*image.projectBefore);
            --m_movedToTrashProject;
        }
        if (image.ratingBefore)
            image.original->setMainRating(*image.ratingBefore);
        takeOut(image.newImages);
        if (m_journal)
            m_journal->setStep(image.journalRow, RunJournal::Undone);
    } catch (const ScriptingError& error) {
        log(QStringLiteral("Could not take out the new image of %1: %2")
                .arg(image.name, error.reason()));
        return QStringLiteral("\n\nThe new image made from %1 could not be taken out again: it "
                              "is in the project of %1 and may be incomplete.")
            .arg(image.name);
    }
    log(QStringLiteral("Could not convert %1; its new image was moved into the trash and %1 "
                       "left as it was")
            .arg(image.name));
    return QStringLiteral("\n\nThe new image made from %1 was taken out again (it goes to "
                          "Aperture's trash); %1 was left as it was.")
        .arg(image.name);
}

TolvaneAperture::ClosingAlert TolvaneAperture::emptySelectionAlert()
{
    return {kUnableToProcess,
            QStringLiteral("You need to select the photos you want me to process")};
}

bool TolvaneAperture::loadSelectionLists()
{
    setStatus(QStringLiteral("Loading Data"));
    if (!m_sbutils->loadData(m_curPhotos))
        return false;
    m_filenameList = m_sbutils->filenameList();
    m_sizeList = m_sbutils->sizeList();
    m_dateList = m_sbutils->dateList();
    startReportRows();
    return true;
}

bool TolvaneAperture::loadSelectionData()
{
    if (!loadSelectionLists())
        return false;
    loadAlbumData();
    configureProjectForTrash();
    m_delegate->setProgressMaxValue(static_cast<double>(m_countPhotos));
    return true;
}

std::optional<ApertureExportSetting> TolvaneAperture::findTiffExportSetting() const
{
    for (const ApertureExportSetting& setting : m_photoApplication.exportSettings()) {
        if (RunRules::isSixteenBitTiffSetting(setting.name()))
            return setting;
    }
    return std::nullopt;
}

void TolvaneAperture::tolvaneScan(RunDelegate* delegate)
{
    run(delegate, &TolvaneAperture::scanBody, RunReport::Kind::Run);
}

void TolvaneAperture::tolvaneRawJpg(RunDelegate* delegate)
{
    run(delegate, &TolvaneAperture::rawJpgBody, RunReport::Kind::Run);
}

void TolvaneAperture::tolvaneRepair(RunDelegate* delegate)
{
    run(delegate, &TolvaneAperture::repairBody, std::nullopt);
}

void TolvaneAperture::tolvaneEstimate(RunDelegate* delegate, qint64 sampleSize)
{
    m_estimating = true;
    m_sampleSize = sampleSize;
    run(delegate, &TolvaneAperture::estimateBody, RunReport::Kind::Estimate);
    m_estimating = false;
}

std::optional<TolvaneAperture::ClosingAlert>
TolvaneAperture::eachSelectedImage(const std::function<std::optional<ClosingAlert>()>& check,
                                   const ImageWork& work,
                                   const std::function<ClosingAlert()>& closing)
{
    if (m_sbutils->versionCheck(false))
        return std::nullopt;
    repairEarlierRuns();
    if (auto problem = check())
        return problem;
    getSelection();
    if (m_countPhotos < 1)
        return emptySelectionAlert();
    if (!loadSelectionData())
        return std::nullopt;

    for (qint64 i = 0; i < m_countPhotos; ++i) {
        const ApertureImageVersion& photo = m_curPhotos.at(i);
        if (alreadyConverted(photo, i))
            continue;
        underWork(photo, i, [&] { work(photo, i); });
    }

    deleteTrashProject();
    return closing();
}

std::optional<TolvaneAperture::ClosingAlert> TolvaneAperture::scanBody()
{
    ExportChoice exports;
    return eachSelectedImage([&] { return chooseExport(exports); },
                             [&](const ApertureImageVersion& photo, qint64 index) {
                                 convertImage(photo, index, exports.setting, exports.metadata);
                             },
                             [this] {
                                 return ClosingAlert{
                                     QStringLiteral("All Done"),
                                     RunRules::statisticsMessage(m_originalSize, m_convertedSize)};
                             });
}

void TolvaneAperture::convertImage(const ApertureImageVersion& photo, qint64 index,
                                   const std::optional<ApertureExportSetting>& setting,
                                   ApertureExportMetadata metadata)
{
    setStatus(QStringLiteral("Processing"));
    if (!isConvertible(photo, index))
        return;
    const QString masterName = m_filenameList.value(index);

    const QList<QUrl> exported =
        m_photoApplication.exportImages({photo}, setting, metadata, m_workDir);
    if (keepsAdjustments() && !m_tiffExportProfileValidated && !exported.isEmpty())
        checkExportedTiff(photo, exported.first().toLocalFile());
    if (exported.isEmpty()) {
        log(QStringLiteral("Unable to export image %1").arg(describe(photo.properties())));
        setOutcome(index, RunReport::failed(QStringLiteral("the export made no file")));
        return;
    }
    const QString exportedFile = exported.first().toLocalFile();
    helpers::fileExists(exportedFile, m_delegate);
    const QString outputPath =
        OutputNaming::outputPath(m_tmpDir, masterName, m_externallyReferenced);

    const std::optional<qint64> jpegBytes = renderJpeg(index, exportedFile, outputPath);
    if (!jpegBytes)
        return;
    if (mustStaySmaller(index, *jpegBytes)) {
        helpers::deleteFile(outputPath);
        setOutcome(index, RunReport::SkippedNotSmaller);
        return;
    }
    const std::optional<ApertureImageVersion> newPhoto =
        importFile(outputPath, masterProjectOf(photo));
    removeExportedXmpFile(exported.first());
    if (!newPhoto) {
        // Nothing replaces the original: it stays untouched, and the JPEG that
        // was not taken in is not left behind.
        log(QStringLiteral("Import of %1 made no image; %2 left as it was")
                .arg(outputPath, masterName));
        setOutcome(index, RunReport::failed(QStringLiteral("the import made no image")));
        return;
    }
    completeImage(photo, index, m_processedKeyword);
    setOutcome(index, RunReport::Converted);
    // Only an image that was replaced counts in the statistics.
    m_originalSize += m_sizeList.value(index);
    m_convertedSize += *jpegBytes;
}

std::optional<qint64> TolvaneAperture::renderJpeg(qint64 index, const QString& exportedFile,
                                                  const QString& outputPath)
{
    const JpegRenderer renderer([this](const QString& text) { setStatus(text); });
    const Result<qint64> jpeg = renderer.render(exportedFile, outputPath, outputSizeSettings(),
                                                m_delegate->compressionFactor());
    if (!jpeg) {
        setOutcome(index, RunReport::failed(jpeg.error()));
        return std::nullopt;
    }
    if (m_report)
        m_report->row(index).jpegBytes = *jpeg;
    return *jpeg;
}

bool TolvaneAperture::isConvertible(const ApertureImageVersion& photo, qint64 index)
{
    if (!m_sbutils->photoOnline(photo)) {
        setOutcome(index, RunReport::SkippedOffline);
        return false;
    }
    m_delegate->setProgressValue(static_cast<double>(index + 1));
    const QString masterName = m_filenameList.value(index);
    m_delegate->setCountText(masterName);
    if (!m_imgTypes.contains(RunRules::extension(masterName)) || photo.height() == 0) {
        log(QStringLiteral("Unsupported file %1").arg(masterName));
        setOutcome(index, RunReport::SkippedUnsupported);
        return false;
    }
    return true;
}

bool TolvaneAperture::mustStaySmaller(qint64 index, qint64 jpegBytes) const
{
    const qint64 masterBytes = m_sizeList.value(index);
    if (!m_onlySmaller || jpegBytes < masterBytes)
        return false;
    log(QStringLiteral("%1 left as it was: its JPEG (%2 MB) is not smaller than its master "
                       "(%3 MB)")
            .arg(m_filenameList.value(index), RunRules::megabytes(jpegBytes),
                 RunRules::megabytes(masterBytes)));
    return true;
}

OutputSizeRule::Settings TolvaneAperture::outputSizeSettings() const
{
    OutputSizeRule::Settings size;
    size.scaleFactor = m_delegate->scaleFactor();
    size.fixedSize = m_delegate->fixedSize();
    size.longSize = m_delegate->longSize().toLongLong();
    size.shortSize = m_delegate->shortSize().toLongLong();
    size.longLocked = m_delegate->longLocked();
    size.shortLocked = m_delegate->shortLocked();
    return size;
}

void TolvaneAperture::completeImage(const ApertureImageVersion& photo, qint64 index,
                                    const QString& keyword)
{
    for (const ApertureImageVersion& newImage : std::as_const(m_underWork->newImages)) {
        propageMetaData(photo, newImage, index);
        if (m_tagEnabled)
            tagImage(newImage, m_parentKeywords, keyword);
        if (m_albumEnabled)
            replayAlbums(photo, newImage);
    }
    if (m_journal)
        m_journal->setStep(m_underWork->journalRow, RunJournal::Complete);
    finishOriginal(photo);
    m_underWork->settled = true;
    if (m_journal)
        m_journal->setStep(m_underWork->journalRow, RunJournal::Done);
}

void TolvaneAperture::checkExportedTiff(const ApertureImageVersion& photo,
                                        const QString& exportedFile)
{
    m_tiffExportProfileValidated = true;
    const ImageSource source = ImageSource::fromFile(exportedFile);
    const QString type =
        source.isValid() ? source.typeIdentifier() : QStringLiteral("(unreadable)");
    log(type);
    const QVariantMap properties = source.propertiesAtIndex(0);
    const qint64 depth = properties.value(ImageSource::Depth).toLongLong();
    const qint64 pixelHeight = properties.value(ImageSource::PixelHeight).toLongLong();
    const qint64 pixelWidth = properties.value(ImageSource::PixelWidth).toLongLong();
    const qint64 height = photo.height();
    const qint64 width = photo.width();
    if (depth == 16 && type == QLatin1String("public.tiff") && pixelHeight == height &&
        pixelWidth == width)
        return;
    m_delegate->showAlert(
        QStringLiteral("The required export setting:\n\nTIFF - Original Size (16-bit)\n\nhas been "
                       "modified in Aperture.\n\nThe JPEGs generated by Tolvane may not be the "
                       "correct size or of lower quaility than expected.\n\nFor more information "
                       "visit ") +
            exportSettingInfoAddress() +
            QStringLiteral("\n\nYour current conversion batch will continue till completion."),
        QStringLiteral("Warning: JPEG conversion issue detected."));
    log(QStringLiteral(
            "Aperture TIFF - Original Size (16-bit) Profile issue:\nExpected public.tiff "
            "got %1\nDepth 16 got %2\nheight %3 got %4\nwidth %5 got %6")
            .arg(type)
            .arg(depth)
            .arg(height)
            .arg(pixelHeight)
            .arg(width)
            .arg(pixelWidth));
}

ApertureProject TolvaneAperture::masterProjectOf(const ApertureImageVersion& photo) const
{
    return photo.otherTagNamed(QStringLiteral("MasterProject")).projectValue();
}

bool TolvaneAperture::keepsAdjustments() const
{
    return TolvaneSettings::is(m_processingOption,
                               TolvaneSettings::Option::ConvertKeepingAdjustments);
}

ApertureImportMode TolvaneAperture::importMode() const
{
    return m_externallyReferenced ? ApertureImportMode::Referenced : ApertureImportMode::Moved;
}

std::optional<ApertureImageVersion> TolvaneAperture::importFile(const QString& file,
                                                                const ApertureProject& project)
{
    // Until it is an image, a file in the chosen folder is the run's to remove.
    const bool inChosenFolder = m_externallyReferenced;
    if (inChosenFolder)
        m_underWork->strayFiles.append(file);
    if (m_journal) {
        m_journal->setStrayFiles(m_underWork->journalRow, m_underWork->strayFiles);
        m_journal->setJpeg(m_underWork->journalRow, file, QFileInfo(file).size(),
                           project.reference());
    }
    const QList<ApertureImageVersion> imported =
        m_photoApplication.importFiles({file}, importMode(), project);
    if (imported.isEmpty()) {
        helpers::deleteFile(file);
        m_underWork->strayFiles.removeAll(file);
        return std::nullopt;
    }
    if (inChosenFolder)
        m_underWork->strayFiles.removeAll(file);
    m_underWork->newImages.append(imported.first());
    m_reportedNewImages.append({m_underWork->index, imported.first()});
    if (m_journal)
        m_journal->addNewImage(m_underWork->journalRow, imported.first().reference());
    return imported.first();
}

QString TolvaneAperture::placeForImport(const QString& exportedFile)
{
    if (!m_externallyReferenced)
        return exportedFile;
    const QString placed = OutputNaming::freePath(m_tmpDir, QFileInfo(exportedFile).fileName());
    if (!QFile::rename(exportedFile, placed) &&
        !(QFile::copy(exportedFile, placed) && QFile::remove(exportedFile)))
        return {};
    return placed;
}

void TolvaneAperture::finishOriginal(const ApertureImageVersion& photo)
{
    if (m_hideEnabled) {
        m_underWork->ratingBefore = photo.mainRating();
        photo.setMainRating(-1);
    }
    if (m_trashEnabled && m_newProjectForTrash) {
        m_underWork->projectBefore = masterProjectOf(photo);
        photo.moveTo(*m_newProjectForTrash);
        ++m_movedToTrashProject;
    }
    if (m_tagEnabled)
        tagImage(photo, m_parentKeywords, m_originalsKeyword);
}

void TolvaneAperture::takeOut(const QList<ApertureImageVersion>& images)
{
    if (images.isEmpty())
        return;
    const ApertureProject& project = projectForTakenOut();
    for (const ApertureImageVersion& image : images) {
        image.moveTo(project);
        ++m_movedToTrashProject;
    }
}

const ApertureProject& TolvaneAperture::projectForTakenOut()
{
    if (!m_newProjectForTrash) {
        const QList<ApertureLibrary> libraries = m_photoApplication.libraries();
        if (libraries.isEmpty())
            throw ScriptingError(QStringLiteral("NoLibrary"),
                                 QStringLiteral("Aperture has no library to take images out to"));
        m_newProjectForTrash = libraries.first().makeProject(trashProjectName());
        if (m_journal)
            m_journal->setTrashProject(m_runId, m_newProjectForTrash->reference());
    }
    return *m_newProjectForTrash;
}

void TolvaneAperture::deleteTrashProject()
{
    if (!m_newProjectForTrash)
        return;
    m_newProjectForTrash->deleteProject();
    m_newProjectForTrash.reset();
}

void TolvaneAperture::clearWorkFolder() const
{
    if (m_workDir.isEmpty())
        return;
    QDir folder(m_workDir);
    for (const QString& entry :
         folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        helpers::deleteFile(folder.filePath(entry));
}

std::optional<TolvaneAperture::ClosingAlert> TolvaneAperture::rawJpgBody()
{
    log(m_tmpDir);
    return eachSelectedImage(
        [] { return std::optional<ClosingAlert>(); },
        [this](const ApertureImageVersion& photo, qint64 index) { separatePair(photo, index); },
        [] {
            return ClosingAlert{QStringLiteral("All Done"),
                                QStringLiteral("Tolvane finished processing.")};
        });
}

QString TolvaneAperture::extractedKeyword() const
{
    using Option = TolvaneSettings::Option;
    switch (static_cast<Option>(m_processingOption)) {
    case Option::SplitKeepingRaw:
        return m_extractedRawKeyword;
    case Option::SplitKeepingJpeg:
        return m_extractedJpegKeyword;
    default:
        return m_extractedSeparatedKeyword;
    }
}

void TolvaneAperture::separatePair(const ApertureImageVersion& photo, qint64 index)
{
    setStatus(QStringLiteral("Processing"));
    if (!m_sbutils->photoOnline(photo)) {
        setOutcome(index, RunReport::SkippedOffline);
        return;
    }
    m_delegate->setProgressValue(static_cast<double>(index + 1));
    const QString masterName = m_filenameList.value(index);
    m_delegate->setCountText(masterName);

    const QList<QUrl> exported = m_photoApplication.exportImages(
        {photo}, std::nullopt, ApertureExportMetadata::Sidecar, m_workDir);
    if (exported.isEmpty()) {
        log(QStringLiteral("Unable to export image %1").arg(describe(photo.properties())));
        setOutcome(index, RunReport::failed(QStringLiteral("the export made no file")));
        return;
    }
    QStringList files;
    for (const QUrl& url : exported)
        files.append(url.toLocalFile());
    // Anything but a photo, its partner and a sidecar is not a pair.
    if (files.size() != 3) {
        deleteFiles(files);
        setOutcome(index, RunReport::SkippedUnsupported);
        return;
    }
    const RunRules::PairPlan plan =
        RunRules::planPair(files, m_processingOption, isDirectory, isJpegFile);
    deleteFiles(plan.deleted);

    const ApertureProject project = masterProjectOf(photo);
    int imageFiles = 0;
    int imageFilesLost = 0;
    for (const QString& file : plan.kept) {
        const QString placed = placeForImport(file);
        const auto newImage = placed.isEmpty() ? std::nullopt : importFile(placed, project);
        // A sidecar makes no image; an image file that makes none is a loss.
        if (!RunRules::isImageFile(file, m_imgTypes, isJpegFile))
            continue;
        ++imageFiles;
        imageFilesLost += newImage ? 0 : 1;
    }
    if (!plan.kept.isEmpty())
        removeExportedXmpFile(QUrl::fromLocalFile(plan.kept.last()));

    const QList<ApertureImageVersion> newImages = m_underWork->newImages;
    // The original goes only when every photo it held has a new image;
    // otherwise the halves that were imported are taken out again.
    if (newImages.isEmpty() || imageFilesLost > 0) {
        const QString left = RunRules::pairLeftMessage(masterName, imageFiles, imageFilesLost);
        log(left);
        takeOut(newImages);
        m_underWork->newImages.clear();
        // The reason is what the log line says after the name.
        setOutcome(index, RunReport::failed(left.section(QStringLiteral(": "), 1)));
        return;
    }
    completeImage(photo, index, extractedKeyword());
    setOutcome(index, RunReport::Split);
}

void TolvaneAperture::loadAlbumData()
{
    m_versionId.clear();
    m_versionAlbum.clear();
    if (!m_albumEnabled)
        return;
    setStatus(QStringLiteral("Loading Album Data"));
    const QList<ApertureAlbum> albums = m_photoApplication.albums();
    m_delegate->setProgressMaxValue(static_cast<double>(albums.size()));
    log(QStringLiteral("Examining album images for %1 albums").arg(albums.size()));
    for (qsizetype p = 0; p < albums.size(); ++p) {
        const ApertureAlbum& album = albums.at(p);
        m_delegate->setProgressValue(static_cast<double>(p + 1));
        log(QStringLiteral("Examining album %1").arg(album.name()));
        const QList<ApertureImageVersion> members = album.imageVersions();
        if (members.isEmpty())
            continue;
        // All ids of the album in one exchange.
        const QVariantList ids = m_photoApplication.valuesForKeys(members, {QStringLiteral("id")})
                                     .value(QStringLiteral("id"));
        for (qsizetype k = 0; k < members.size(); ++k) {
            m_versionAlbum.append(album);
            m_versionId.append(ids.value(k).toString());
        }
    }
    log(QStringLiteral("Album enumeration complete."));
}

void TolvaneAperture::replayAlbums(const ApertureImageVersion& original,
                                   const ApertureImageVersion& newPhoto)
{
    setStatus(QStringLiteral("Populating Albums"));
    const QString id = original.id();
    for (qsizetype i = 0; i < m_versionId.size(); ++i) {
        if (m_versionId.at(i) == id)
            newPhoto.duplicateTo(m_versionAlbum.at(i));
    }
}

void TolvaneAperture::configureProjectForTrash()
{
    if (!m_trashEnabled)
        return;
    projectForTakenOut();
}

void TolvaneAperture::removeExportedXmpFile(const QUrl& exportedFile)
{
    const QString path = exportedFile.toLocalFile();
    helpers::deleteFile(path);
    helpers::deleteFile(RunRules::sidecarPath(path));
}

void TolvaneAperture::propageMetaData(const ApertureImageVersion& photo,
                                      const std::optional<ApertureImageVersion>& newPhoto,
                                      qint64 idx)
{
    setStatus(QStringLiteral("Propagating Metadata"));
    if (!newPhoto)
        return;
    const ApertureImageVersion& target = *newPhoto;
    target.refreshMetadata();
    target.setMainRating(photo.mainRating());
    target.setName(photo.name());
    target.setFlagged(photo.flagged());
    const double latitude = photo.latitude();
    const double longitude = photo.longitude();
    if (latitude != 0.0 && longitude != 0.0) {
        target.setLatitude(latitude);
        target.setLongitude(longitude);
    }
    m_photoApplication.adjustImageDate(m_dateList.value(idx), {target}, true);

    // The three element lists of the original, resolved in one exchange.
    const auto lists = m_photoApplication.valuesForKeys(
        {photo}, {QStringLiteral("keywords.name"), QStringLiteral("keywords.parents"),
                  QStringLiteral("customTags.name"), QStringLiteral("customTags.value"),
                  QStringLiteral("IPTCTags.name"), QStringLiteral("IPTCTags.value")});
    const auto listOf = [&lists](const char* key) {
        return lists.value(QLatin1String(key)).value(0).toList();
    };
    const QVariantList keywordNames = listOf("keywords.name");
    const QVariantList keywordParents = listOf("keywords.parents");
    for (qsizetype i = 0; i < keywordNames.size(); ++i) {
        const QString name = keywordNames.at(i).toString();
        if (name != m_originalsKeyword || m_originalsKeyword.isNull())
            target.addKeyword(name, keywordParents.value(i).toString());
    }
    const QVariantList customNames = listOf("customTags.name");
    const QVariantList customValues = listOf("customTags.value");
    for (qsizetype i = 0; i < customNames.size(); ++i)
        target.addCustomTag(customNames.at(i).toString(), customValues.value(i));
    const QVariantList iptcNames = listOf("IPTCTags.name");
    const QVariantList iptcValues = listOf("IPTCTags.value");
    for (qsizetype i = 0; i < iptcNames.size(); ++i) {
        const QString name = iptcNames.at(i).toString();
        if (name != QLatin1String("Keywords"))
            target.addIptcTag(name, iptcValues.value(i));
    }
}

void TolvaneAperture::tagImage(const ApertureImageVersion& image, const QString& parents,
                               const QString& keyword)
{
    // A keyword text absent from the settings, or cleared, adds no keyword.
    if (keyword.isEmpty())
        return;
    image.addKeyword(keyword, RunRules::parentChain(parents));
}

std::optional<TolvaneAperture::ClosingAlert> TolvaneAperture::repairBody()
{
    if (m_sbutils->versionCheck(false))
        return std::nullopt;
    repairEarlierRuns();
    deleteTrashProject();
    const Repairs& done = m_repairs;
    return ClosingAlert{QStringLiteral("All Done"),
                        QStringLiteral("Repaired: %1 images finished, %2 half-made images taken "
                                       "out, %3 projects of interrupted runs deleted, %4 work "
                                       "folders removed.")
                            .arg(done.rolledForward)
                            .arg(done.rolledBack)
                            .arg(done.projectsDeleted)
                            .arg(done.foldersRemoved)};
}

bool TolvaneAperture::openJournal()
{
    const QList<ApertureLibrary> libraries = m_photoApplication.libraries();
    if (libraries.isEmpty())
        return false;
    m_libraryName = libraries.first().name();
    m_journal = std::make_unique<RunJournal>();
    if (!m_journal->isOpen()) {
        m_journal.reset();
        return false;
    }
    return true;
}

void TolvaneAperture::repairEarlierRuns()
{
    if (!openJournal())
        return;
    m_journal->beginRun(m_runId, m_libraryName, m_workDir);
    if (m_newProjectForTrash)
        m_journal->setTrashProject(m_runId, m_newProjectForTrash->reference());
    setStatus(QStringLiteral("Repairing"));
    for (const RunJournal::Image& image : m_journal->unsettledImages(m_libraryName, m_runId)) {
        try {
            if (image.step >= RunJournal::Complete)
                rollForward(image);
            else
                rollBack(image);
        } catch (const ScriptingError& error) {
            if (!m_photoApplication.isRunning())
                throw;
            // An image the user removed since cannot be repaired: giving up
            // on it keeps it from stopping every later run.
            log(QStringLiteral("Could not repair %1: %2; it is left as it is")
                    .arg(image.name, error.reason()));
            m_journal->setStep(image.row, RunJournal::Undone);
        }
    }
    clearDeadRuns();
}

void TolvaneAperture::rollForward(const RunJournal::Image& image)
{
    const ApertureImageVersion original(m_photoApplication.connection(), image.originalReference);
    const RunJournal::Settings& settings = image.settings;
    // The same steps in the same order as an uninterrupted run; each is
    // harmless when it was done already.
    if (settings.hide)
        original.setMainRating(-1);
    if (settings.trash)
        original.moveTo(projectForTakenOut());
    if (settings.tag)
        tagImage(original, settings.parentKeywords, settings.originalsKeyword);
    m_journal->setStep(image.row, RunJournal::Done);
    ++m_repairs.rolledForward;
    log(QStringLiteral("Repaired %1: its new image was complete; the original was finished as "
                       "the interrupted run would have")
            .arg(image.name));
}

void TolvaneAperture::rollBack(const RunJournal::Image& image)
{
    QList<ApertureImageVersion> newImages;
    for (const QString& reference : image.newImages)
        newImages.append(ApertureImageVersion(m_photoApplication.connection(), reference));
    newImages += unrecordedImports(image);
    takeOut(newImages);
    deleteFiles(image.strayFiles);
    m_journal->setStep(image.row, RunJournal::Undone);
    if (newImages.isEmpty() && image.strayFiles.isEmpty())
        return;
    ++m_repairs.rolledBack;
    log(QStringLiteral("Repaired %1: its new image was not complete; it was moved into the trash "
                       "and %1 left as it was")
            .arg(image.name));
}

QList<ApertureImageVersion> TolvaneAperture::unrecordedImports(const RunJournal::Image& image) const
{
    if (image.jpegPath.isEmpty() || image.project.isEmpty())
        return {};
    const QList<ApertureImageVersion> candidates =
        ApertureProject(m_photoApplication.connection(), image.project).imageVersions();
    if (candidates.isEmpty())
        return {};
    const auto values = m_photoApplication.valuesForKeys(
        candidates, {QStringLiteral("otherTags.name"), QStringLiteral("otherTags.value")});
    const QString fileName = QFileInfo(image.jpegPath).fileName();
    QList<ApertureImageVersion> found;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const QVariantList names = values.value(QStringLiteral("otherTags.name")).value(i).toList();
        const QVariantList tagValues =
            values.value(QStringLiteral("otherTags.value")).value(i).toList();
        const auto tag = [&](const char* name) {
            return tagValues.value(names.indexOf(QString::fromLatin1(name)));
        };
        const ApertureImageVersion& candidate = candidates.at(i);
        if (tag("FileName").toString() != fileName ||
            (image.jpegSize > 0 && tag("FileSize").toLongLong() != image.jpegSize) ||
            image.newImages.contains(candidate.reference()) ||
            candidate.reference() == image.originalReference ||
            m_journal->knowsNewImage(candidate.reference()))
            continue;
        found.append(candidate);
    }
    return found;
}

void TolvaneAperture::clearDeadRuns()
{
    for (const RunJournal::Run& dead : m_journal->settledDeadRuns(m_libraryName, m_runId)) {
        if (!dead.trashProject.isEmpty()) {
            try {
                ApertureProject(m_photoApplication.connection(), dead.trashProject).deleteProject();
                ++m_repairs.projectsDeleted;
                log(QStringLiteral("Repaired: deleted the project %1 left by an interrupted run")
                        .arg(trashProjectName()));
            } catch (const ScriptingError& error) {
                // Already gone (deleted by hand): nothing left to do.
                log(QStringLiteral("The project %1 of an interrupted run is gone: %2")
                        .arg(dead.trashProject, error.reason()));
            }
        }
        // Only a folder that is one of the run's own work folders.
        if (!dead.workFolder.isEmpty() &&
            QFileInfo(QDir::cleanPath(dead.workFolder))
                .fileName()
                .startsWith(QStringLiteral("Tolvane-")) &&
            isDirectory(dead.workFolder)) {
            QDir(dead.workFolder).removeRecursively();
            ++m_repairs.foldersRemoved;
            log(QStringLiteral("Repaired: removed the work folder %1 left by an interrupted run")
                    .arg(dead.workFolder));
        }
        m_journal->clearRunLeftovers(dead.id);
    }
}

bool TolvaneAperture::alreadyConverted(const ApertureImageVersion& photo, qint64 index)
{
    const QString name = m_filenameList.value(index);
    if (!m_journal || !m_skipConverted)
        return false;
    const auto converted = m_journal->convertedInto(m_libraryName, photo.reference());
    if (!converted)
        return false;
    QStringList ids;
    for (const QString& reference : *converted) {
        try {
            ids.append(ApertureImageVersion(m_photoApplication.connection(), reference).id());
        } catch (const ScriptingError&) {
            ids.append(reference); // the new image is gone; its reference still says which
        }
    }
    log(QStringLiteral("%1 already converted into %2").arg(name, ids.join(QStringLiteral(", "))));
    setOutcome(index, RunReport::SkippedAlreadyConverted);
    if (m_report)
        m_report->row(index).newVersionIds = ids;
    return true;
}

void TolvaneAperture::finishJournalRun()
{
    if (!m_journal)
        return;
    m_journal->finishRun(m_runId,
                         m_newProjectForTrash ? m_newProjectForTrash->reference() : QString());
    m_journal.reset();
}

std::optional<TolvaneAperture::ClosingAlert>
TolvaneAperture::chooseExport(ExportChoice& exports) const
{
    if (!keepsAdjustments())
        return std::nullopt;
    exports.setting = findTiffExportSetting();
    if (!exports.setting)
        return ClosingAlert{
            kUnableToProcess,
            QStringLiteral(
                "The required export setting:\n\nTIFF - Original Size (16-bit)\n\nis missing "
                "from Aperture.\n\nYou need to manual re-create it to keep your adjustments.  "
                "If adjustments are not important to you, then select the \"No Adjustments\" "
                "checkbox and this export setting will not be required.")};
    exports.metadata = ApertureExportMetadata::Embedded;
    return std::nullopt;
}

std::optional<TolvaneAperture::ClosingAlert> TolvaneAperture::estimateBody()
{
    if (TolvaneSettings::runFor(m_processingOption) != TolvaneSettings::Run::Conversion)
        return ClosingAlert{kUnableToProcess,
                            QStringLiteral("An estimate is made for conversions to JPEG. "
                                           "Splitting RAW+JPEG pairs keeps every file and frees "
                                           "no space.")};
    if (m_sbutils->versionCheck(false))
        return std::nullopt;
    // Read only: which originals a run would skip as converted already.
    openJournal();
    ExportChoice exports;
    if (auto missing = chooseExport(exports))
        return missing;
    getSelection();
    if (m_countPhotos < 1)
        return emptySelectionAlert();
    // Only the lists: the trash project would change the library.
    if (!loadSelectionLists())
        return std::nullopt;

    // First what a run would skip, found without exporting anything.
    setStatus(QStringLiteral("Checking Images"));
    m_delegate->setProgressMaxValue(static_cast<double>(m_countPhotos));
    QList<qint64> candidates;
    for (qint64 i = 0; i < m_countPhotos; ++i) {
        const ApertureImageVersion& photo = m_curPhotos.at(i);
        if (!alreadyConverted(photo, i) && isConvertible(photo, i))
            candidates.append(i);
    }
    const QList<qsizetype> sample = RunRules::evenSample(candidates.size(), m_sampleSize);
    qint64 candidateBytes = 0;
    for (const qint64 i : std::as_const(candidates)) {
        candidateBytes += m_sizeList.value(i);
        setOutcome(i, RunReport::NotSampled);
    }
    m_delegate->setProgressMaxValue(static_cast<double>(sample.size()));
    qint64 sampledBytes = 0;
    for (qsizetype k = 0; k < sample.size(); ++k) {
        const qint64 i = candidates.at(sample.at(k));
        sampledBytes += m_sizeList.value(i);
        setStatus(QStringLiteral("Processing"));
        m_delegate->setProgressValue(static_cast<double>(k + 1));
        m_delegate->setCountText(m_filenameList.value(i));
        estimateImage(m_curPhotos.at(i), i, exports);
    }
    // A sample stands for every image to convert in proportion to the bytes
    // of the masters, which are known for all of them.
    if (sampledBytes > 0 && sampledBytes < candidateBytes) {
        const double scale =
            static_cast<double>(candidateBytes) / static_cast<double>(sampledBytes);
        m_originalSize = std::llround(static_cast<double>(m_originalSize) * scale);
        m_convertedSize = std::llround(static_cast<double>(m_convertedSize) * scale);
    }
    return ClosingAlert{QStringLiteral("Estimate"),
                        RunRules::estimateMessage(m_originalSize, m_convertedSize, sample.size(),
                                                  candidates.size())};
}

void TolvaneAperture::estimateImage(const ApertureImageVersion& photo, qint64 index,
                                    const ExportChoice& exports)
{
    const QString masterName = m_filenameList.value(index);
    const QList<QUrl> exported =
        m_photoApplication.exportImages({photo}, exports.setting, exports.metadata, m_workDir);
    if (keepsAdjustments() && !m_tiffExportProfileValidated && !exported.isEmpty())
        checkExportedTiff(photo, exported.first().toLocalFile());
    if (exported.isEmpty()) {
        log(QStringLiteral("Unable to export image %1").arg(describe(photo.properties())));
        setOutcome(index, RunReport::failed(QStringLiteral("the export made no file")));
        clearWorkFolder();
        return;
    }
    const QString outputPath = OutputNaming::outputPath(m_workDir, masterName, false);
    const std::optional<qint64> jpeg =
        renderJpeg(index, exported.first().toLocalFile(), outputPath);
    clearWorkFolder();
    if (!jpeg)
        return;
    const qint64 jpegBytes = *jpeg;
    if (mustStaySmaller(index, jpegBytes)) {
        setOutcome(index, RunReport::SkippedNotSmaller);
        return;
    }
    const qint64 masterBytes = m_sizeList.value(index);
    log(QStringLiteral("%1: master %2 MB, JPEG %3 MB, savings %4 MB")
            .arg(masterName, RunRules::megabytes(masterBytes), RunRules::megabytes(jpegBytes),
                 RunRules::megabytes(masterBytes - jpegBytes)));
    setOutcome(index, RunReport::Estimated);
    m_originalSize += masterBytes;
    m_convertedSize += jpegBytes;
}

void TolvaneAperture::startReportRows()
{
    if (!m_report)
        return;
    const QStringList& ids = m_sbutils->idList();
    QList<RunReport::Row> rows;
    for (qint64 i = 0; i < m_countPhotos; ++i) {
        RunReport::Row row;
        row.name = m_filenameList.value(i);
        row.versionId = ids.value(i);
        row.masterBytes = m_sizeList.value(i);
        rows.append(row);
    }
    m_report->setImages(rows);
}

void TolvaneAperture::setOutcome(qint64 index, const QString& outcome)
{
    if (m_report && index >= 0 && index < m_report->size())
        m_report->row(index).outcome = outcome;
}

void TolvaneAperture::resolveNewVersionIds()
{
    if (m_reportedNewImages.isEmpty() || !m_photoApplication.isRunning())
        return;
    QList<ApertureImageVersion> images;
    for (const auto& entry : std::as_const(m_reportedNewImages))
        images.append(entry.second);
    try {
        const QVariantList ids = m_photoApplication.valuesForKeys(images, {QStringLiteral("id")})
                                     .value(QStringLiteral("id"));
        for (qsizetype k = 0; k < m_reportedNewImages.size(); ++k) {
            const qint64 row = m_reportedNewImages.at(k).first;
            const QString outcome = m_report->row(row).outcome;
            // Images taken out again are no image of the original's.
            if (outcome == RunReport::Converted || outcome == RunReport::Split)
                m_report->row(row).newVersionIds.append(ids.value(k).toString());
        }
    } catch (const ScriptingError& error) {
        log(QStringLiteral("The report lists no new version ids: %1").arg(error.reason()));
    }
}

void TolvaneAperture::addReportSettings()
{
    static const char* const options[TolvaneSettings::OptionCount] = {
        "convert RAW to JPEG keeping adjustments", "convert RAW to JPEG without adjustments",
        "split RAW+JPEG pairs keeping both", "split RAW+JPEG pairs keeping the RAW",
        "split RAW+JPEG pairs keeping the JPEG"};
    const auto onOff = [](bool on) {
        return on ? QStringLiteral("on") : QStringLiteral("off");
    };
    RunReport& report = *m_report;
    report.addSetting(QStringLiteral("Library"), m_libraryName);
    report.addSetting(QStringLiteral("Processing option"),
                      QStringLiteral("%1 (%2)")
                          .arg(m_processingOption)
                          .arg(QString::fromLatin1(TolvaneSettings::runFor(m_processingOption)
                                                       ? options[m_processingOption]
                                                       : "unknown")));
    const OutputSizeRule::Settings size = outputSizeSettings();
    report.addSetting(QStringLiteral("JPEG quality"), m_delegate->compressionFactor().toString());
    report.addSetting(QStringLiteral("Output size"),
                      size.fixedSize
                          ? QStringLiteral("fixed: long side %1 px%2, short side %3 px%4")
                                .arg(size.longSize)
                                .arg(size.longLocked ? QStringLiteral(" (locked)") : QString())
                                .arg(size.shortSize)
                                .arg(size.shortLocked ? QStringLiteral(" (locked)") : QString())
                          : QStringLiteral("%1 %").arg(qRound(size.scaleFactor * 100)));
    report.addSetting(QStringLiteral("Only smaller files"), onOff(m_onlySmaller));
    report.addSetting(QStringLiteral("Skip converted images"), onOff(m_skipConverted));
    if (report.kind() == RunReport::Kind::Estimate) {
        report.addSetting(QStringLiteral("Sample"), m_sampleSize > 0
                                                        ? QString::number(m_sampleSize)
                                                        : QStringLiteral("every image"));
        return;
    }
    report.addSetting(QStringLiteral("Keep new files in a chosen folder"),
                      m_externallyReferenced ? QDir::cleanPath(m_tmpDir) : onOff(false));
    report.addSetting(QStringLiteral("Tag"), onOff(m_tagEnabled));
    report.addSetting(QStringLiteral("Hide originals"), onOff(m_hideEnabled));
    report.addSetting(QStringLiteral("Move originals to the trash"), onOff(m_trashEnabled));
    report.addSetting(QStringLiteral("Albums"), onOff(m_albumEnabled));
    report.addSetting(QStringLiteral("Parent keywords"), m_parentKeywords);
    report.addSetting(QStringLiteral("Originals keyword"), m_originalsKeyword);
    report.addSetting(QStringLiteral("Processed keyword"), m_processedKeyword);
}

void TolvaneAperture::writeReport()
{
    resolveNewVersionIds();
    RunReport& report = *m_report;
    if (TolvaneSettings::runFor(m_processingOption) == TolvaneSettings::Run::Conversion) {
        report.addTotal(QStringLiteral("Originals (MB)"), RunRules::megabytes(m_originalSize));
        report.addTotal(QStringLiteral("Converted (MB)"), RunRules::megabytes(m_convertedSize));
        report.addTotal(QStringLiteral("Savings (MB)"),
                        RunRules::megabytes(m_originalSize - m_convertedSize));
    }
    addReportSettings();
    QString error;
    m_reportPath = report.write(RunReport::defaultFolder(), &error);
    if (m_reportPath.isEmpty()) {
        log(QStringLiteral("Could not write the report of this run: %1").arg(error));
        return;
    }
    log(QStringLiteral("Report of this run: %1").arg(m_reportPath));
    m_delegate->runReportWritten(m_reportPath);
}
