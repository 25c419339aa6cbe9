#include "TolvaneApertureAppDelegate.h"

#include "core/Bundle.h"
#include "core/MainThread.h"
#include "core/PropertyList.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"
#include "scripting/ScriptingError.h"
#include "ApertureApplication.h"
#include "TolvaneAperture.h"
#include "TolvaneSettings.h"
#include "VostCrashReporter.h"
#include "ui/ModalAlert.h"
#include "ui/Button.h"
#include "ui/OpenPanel.h"
#include "ui/Panel.h"
#include "ui/ProgressIndicator.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace {

const QString kJpegBoxText = QStringLiteral("JPEG Output Settings");
const QString kExtractedBoxText = QStringLiteral("Extracted Image Output Settings");

// The value of a defaults entry as a whole number; absent counts as 0.
qint64 integerValue(const QVariant& value)
{
    if (!value.isValid())
        return 0;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return static_cast<qint64>(value.toDouble());
    if (value.typeId() == QMetaType::QString)
        return static_cast<qint64>(value.toString().trimmed().toDouble());
    return value.toLongLong();
}

} // namespace

const QStringList& TolvaneApertureAppDelegate::observedKeys()
{
    static const QStringList keys = {
        TolvaneSettings::JpegQuality,          TolvaneSettings::JpegOutputSize,
        TolvaneSettings::ProcessingOption,     TolvaneSettings::AlbumEnabled,
        TolvaneSettings::ExternallyReferenced, TolvaneSettings::TagEnabled,
        TolvaneSettings::TrashEnabled,         TolvaneSettings::HideEnabled};
    return keys;
}

const QString& TolvaneApertureAppDelegate::trashWarningTitle()
{
    static const QString title = QStringLiteral("Trash Option Side Effects.");
    return title;
}

const QString& TolvaneApertureAppDelegate::trashWarningMessage()
{
    static const QString message = QStringLiteral(
        "Be aware that by using the trash option, any images you have selected for conversion "
        "which are in a stack will result in the entire stack being moved to trash.\n\nIf this is "
        "not what you intend, alternative workflows include:\n\na) Select all the images you wish "
        "to convert and use the Aperture menu item Stacks->Extract Items. Then run Tolvane with "
        "the "
        "Trash option on those items.\n\nb) Don't use the Trash option, but the Reject option "
        "which does work as expected with stacks.  Then manually move the rejected items to trash");
    return message;
}

TolvaneApertureAppDelegate::TolvaneApertureAppDelegate(QObject* parent) : QObject(parent)
{
    m_initializing = true;
    UserDefaults& defaults = UserDefaults::standard();
    const QString resource =
        Bundle::main().pathForResource(QStringLiteral("UserDefaults"), QStringLiteral("plist"));
    if (!resource.isEmpty()) {
        if (auto registered = PropertyList::readDictionaryFile(resource))
            defaults.registerDefaults(*registered);
    }
    for (const QString& key : observedKeys()) {
        m_observerTokens.push_back(defaults.addObserver(
            key, UserDefaults::Initial,
            [this](const QString& keyPath, UserDefaults& object, const UserDefaults::Change&) {
                observeValueForKeyPath(keyPath, object);
            }));
    }
    m_initializing = false;
}

TolvaneApertureAppDelegate::~TolvaneApertureAppDelegate()
{
    UserDefaults& defaults = UserDefaults::standard();
    for (int token : m_observerTokens)
        defaults.removeObserver(token);
}

void TolvaneApertureAppDelegate::setOutlets(const Outlets& outlets)
{
    m_outlets = outlets;
}

void TolvaneApertureAppDelegate::observeValueForKeyPath(const QString& keyPath,
                                                        UserDefaults& object)
{
    if (keyPath == TolvaneSettings::JpegQuality) {
        setCompressionFactor(object.valueForKey(TolvaneSettings::JpegQuality));
    } else if (keyPath == TolvaneSettings::JpegOutputSize) {
        applyOutputSize(object.valueForKey(TolvaneSettings::JpegOutputSize));
    } else if (keyPath == TolvaneSettings::ProcessingOption) {
        applyProcessingOption(object.valueForKey(TolvaneSettings::ProcessingOption));
    } else if (keyPath == TolvaneSettings::AlbumEnabled) {
        setAlbumEnabled(UserDefaults::toBool(object.valueForKey(TolvaneSettings::AlbumEnabled)));
    } else if (keyPath == TolvaneSettings::ExternallyReferenced) {
        setExternallyReferenced(
            UserDefaults::toBool(object.valueForKey(TolvaneSettings::ExternallyReferenced)));
    } else if (keyPath == TolvaneSettings::TagEnabled) {
        setTagEnabled(UserDefaults::toBool(object.valueForKey(TolvaneSettings::TagEnabled)));
    } else if (keyPath == TolvaneSettings::TrashEnabled) {
        const bool on = UserDefaults::toBool(object.valueForKey(TolvaneSettings::TrashEnabled));
        // The stored setting is applied silently at launch; the warning is for
        // the user turning the option on.
        if (m_initializing) {
            m_trashEnabled = on;
            Q_EMIT propertyChanged(QStringLiteral("trashEnabled"));
        } else {
            setTrashEnabled(on);
        }
    } else if (keyPath == TolvaneSettings::HideEnabled) {
        setHideEnabled(UserDefaults::toBool(object.valueForKey(TolvaneSettings::HideEnabled)));
    }
}

void TolvaneApertureAppDelegate::applyOutputSize(const QVariant& value)
{
    setFixedSize(false);
    const qint64 choice = integerValue(value);
    if (choice == qint64(TolvaneSettings::OutputSize::Fixed)) {
        setFixedSize(true);
        return;
    }
    setScaleFactor(TolvaneSettings::scaleFor(choice));
}

void TolvaneApertureAppDelegate::applyProcessingOption(const QVariant& value)
{
    const qint64 option = integerValue(value);
    // A number outside the options changes neither the mode nor the box.
    const auto run = TolvaneSettings::runFor(option);
    if (run == TolvaneSettings::Run::PairSeparation) {
        m_rawJpegMode = true;
        QMutexLocker lock(&m_objectsMutex);
        m_jpegOutputSetttingsBoxText = kExtractedBoxText;
    } else if (run == TolvaneSettings::Run::Conversion) {
        m_rawJpegMode = false;
        QMutexLocker lock(&m_objectsMutex);
        m_jpegOutputSetttingsBoxText = kJpegBoxText;
    }
    m_processingOption = option;
    Q_EMIT propertyChanged(QStringLiteral("processingOption"));
}

void TolvaneApertureAppDelegate::setTagEnabled(bool on)
{
    m_tagEnabled = on;
    Q_EMIT propertyChanged(QStringLiteral("tagEnabled"));
}

void TolvaneApertureAppDelegate::setTrashEnabled(bool on)
{
    if (on)
        showAlert(trashWarningMessage(), trashWarningTitle());
    m_trashEnabled = on;
    Q_EMIT propertyChanged(QStringLiteral("trashEnabled"));
}

void TolvaneApertureAppDelegate::setHideEnabled(bool on)
{
    m_hideEnabled = on;
    Q_EMIT propertyChanged(QStringLiteral("hideEnabled"));
}

void TolvaneApertureAppDelegate::setAlbumEnabled(bool on)
{
    m_albumEnabled = on;
    Q_EMIT propertyChanged(QStringLiteral("albumEnabled"));
}

void TolvaneApertureAppDelegate::setExternallyReferenced(bool on)
{
    m_externallyReferenced = on;
    Q_EMIT propertyChanged(QStringLiteral("externallyReferenced"));
}

QUrl TolvaneApertureAppDelegate::referencedFolder() const
{
    QMutexLocker lock(&m_objectsMutex);
    return m_referencedFolder;
}

void TolvaneApertureAppDelegate::setReferencedFolder(const QUrl& folder)
{
    {
        QMutexLocker lock(&m_objectsMutex);
        m_referencedFolder = folder;
    }
    Q_EMIT propertyChanged(QStringLiteral("referencedFolder"));
}

void TolvaneApertureAppDelegate::setScaleFactor(float factor)
{
    m_scaleFactor = factor;
    Q_EMIT propertyChanged(QStringLiteral("scaleFactor"));
}

void TolvaneApertureAppDelegate::setNowProcessing(bool processing)
{
    m_nowProcessing = processing;
    Q_EMIT propertyChanged(QStringLiteral("nowProcessing"));
}

QVariant TolvaneApertureAppDelegate::compressionFactor() const
{
    QMutexLocker lock(&m_objectsMutex);
    return m_compressionFactor;
}

void TolvaneApertureAppDelegate::setCompressionFactor(const QVariant& number)
{
    const float value = number.isValid() ? number.toFloat() : 0.0f;
    {
        QMutexLocker lock(&m_objectsMutex);
        m_compressionFactor = number;
        m_compressionFactorText = QString::asprintf("%.2f", static_cast<double>(value));
    }
    Q_EMIT propertyChanged(QStringLiteral("compressionFactor"));
}

QString TolvaneApertureAppDelegate::compressionFactorText() const
{
    QMutexLocker lock(&m_objectsMutex);
    return m_compressionFactorText;
}

QString TolvaneApertureAppDelegate::jpegOutputSetttingsBoxText() const
{
    QMutexLocker lock(&m_objectsMutex);
    return m_jpegOutputSetttingsBoxText;
}

void TolvaneApertureAppDelegate::setFixedSize(bool on)
{
    m_fixedSize = on;
    Q_EMIT propertyChanged(QStringLiteral("fixedSize"));
}

QVariant TolvaneApertureAppDelegate::shortSize() const
{
    QMutexLocker lock(&m_objectsMutex);
    return m_shortSize;
}

QVariant TolvaneApertureAppDelegate::longSize() const
{
    QMutexLocker lock(&m_objectsMutex);
    return m_longSize;
}

void TolvaneApertureAppDelegate::setShortSize(const QVariant& number)
{
    const bool remember = integerValue(number) != 0;
    {
        QMutexLocker lock(&m_objectsMutex);
        m_shortSize = number;
        if (remember)
            m_prevShortSize = number;
    }
    // A blanked side is held but never saved: the stored size stays the last
    // non-zero one.
    if (remember)
        UserDefaults::standard().setValue(number, TolvaneSettings::ShortSide);
    Q_EMIT propertyChanged(QStringLiteral("shortSize"));
}

void TolvaneApertureAppDelegate::setLongSize(const QVariant& number)
{
    const bool remember = integerValue(number) != 0;
    {
        QMutexLocker lock(&m_objectsMutex);
        m_longSize = number;
        if (remember)
            m_prevLongSize = number;
    }
    if (remember)
        UserDefaults::standard().setValue(number, TolvaneSettings::LongSide);
    Q_EMIT propertyChanged(QStringLiteral("longSize"));
}

void TolvaneApertureAppDelegate::setLongLocked(bool flag)
{
    if (m_outlets.fixedLengthTextField)
        m_outlets.fixedLengthTextField->endEditing();
    if (flag) {
        QVariant previous;
        {
            QMutexLocker lock(&m_objectsMutex);
            previous = m_prevLongSize;
        }
        setLongSize(previous);
    } else {
        if (m_outlets.fixedWidthTextField)
            m_outlets.fixedWidthTextField->endEditing();
        {
            QMutexLocker lock(&m_objectsMutex);
            m_prevLongSize = m_longSize;
        }
        setLongSize(qint64(0));
        setShortLocked(true);
    }
    m_longLocked = flag;
    UserDefaults::standard().setValue(flag, TolvaneSettings::LongLocked);
    Q_EMIT propertyChanged(QStringLiteral("longLocked"));
}

void TolvaneApertureAppDelegate::setShortLocked(bool flag)
{
    if (m_outlets.fixedWidthTextField)
        m_outlets.fixedWidthTextField->endEditing();
    if (flag) {
        QVariant previous;
        {
            QMutexLocker lock(&m_objectsMutex);
            previous = m_prevShortSize;
        }
        setShortSize(previous);
    } else {
        if (m_outlets.fixedLengthTextField)
            m_outlets.fixedLengthTextField->endEditing();
        {
            QMutexLocker lock(&m_objectsMutex);
            m_prevShortSize = m_shortSize;
        }
        setShortSize(qint64(0));
        setLongLocked(true);
    }
    m_shortLocked = flag;
    UserDefaults::standard().setValue(flag, TolvaneSettings::ShortLocked);
    Q_EMIT propertyChanged(QStringLiteral("shortLocked"));
}

void TolvaneApertureAppDelegate::awakeFromNib()
{
    UserDefaults& defaults = UserDefaults::standard();
    setFixedSize(false);
    const QVariant storedShort = defaults.valueForKey(TolvaneSettings::ShortSide);
    {
        QMutexLocker lock(&m_objectsMutex);
        m_shortSize = storedShort;
        m_prevShortSize = storedShort;
    }
    setShortSize(storedShort);
    const QVariant storedLong = defaults.valueForKey(TolvaneSettings::LongSide);
    {
        QMutexLocker lock(&m_objectsMutex);
        m_longSize = storedLong;
        m_prevLongSize = storedLong;
    }
    setLongSize(storedLong);
    setLongLocked(defaults.boolForKey(TolvaneSettings::LongLocked));
    setShortLocked(defaults.boolForKey(TolvaneSettings::ShortLocked));
    // A user who chose the fixed size finds it in force after a restart.
    setFixedSize(integerValue(defaults.valueForKey(TolvaneSettings::JpegOutputSize)) ==
                 qint64(TolvaneSettings::OutputSize::Fixed));
}

void TolvaneApertureAppDelegate::applicationWillFinishLaunching()
{
    // May end the process and relaunch the application from its new place.
    if (m_moveOffer)
        m_moveOffer();
}

void TolvaneApertureAppDelegate::applicationDidFinishLaunching()
{
    // A bundle without a crash report address is told, not left to end the
    // launch silently; the application stays usable.
    try {
        VostCrashReporter::checkForNewCrashes();
    } catch (const VostCrashReporterException& error) {
        SystemLog::log(error.name() + QStringLiteral(": ") + error.reason());
        ModalAlert::run(
            Alert{error.name(), error.reason(), {QStringLiteral("OK")}, Alert::Style::Critical});
    }
}

void TolvaneApertureAppDelegate::applicationDidBecomeActive()
{
    if (m_nowProcessing || !m_outlets.selectedLabel)
        return;
    m_outlets.selectedLabel->setStringValue(QString::number(selectionCount()));
}

void TolvaneApertureAppDelegate::applicationWillTerminate()
{
    // Nothing to save: every setting is written when it changes.
}

qint64 TolvaneApertureAppDelegate::selectionCount()
{
    const ApertureApplication aperture;
    if (!aperture.isRunning())
        return 0;
    try {
        return aperture.selection().size();
    } catch (const ScriptingError& error) {
        SystemLog::log(QStringLiteral("Could not count the selection: %1: %2")
                           .arg(error.name(), error.reason()));
        return 0;
    }
}

void TolvaneApertureAppDelegate::selectionScan()
{
    // Two runs never overlap: a press while one is under way starts nothing.
    if (m_runUnderWay || m_nowProcessing)
        return;
    if (m_externallyReferenced && !chooseReferencedFolder())
        return;
    void (TolvaneAperture::*runMethod)(RunDelegate*) = nullptr;
    const auto run = TolvaneSettings::runFor(m_processingOption.load());
    if (run == TolvaneSettings::Run::PairSeparation) {
        runMethod = &TolvaneAperture::tolvaneRawJpg;
    } else if (run == TolvaneSettings::Run::Conversion) {
        runMethod = &TolvaneAperture::tolvaneScan;
    } else {
        SystemLog::log(QStringLiteral("Invalid processing Option"));
        return;
    }
    startRun([this, runMethod](TolvaneAperture& engine) { (engine.*runMethod)(this); });
}

void TolvaneApertureAppDelegate::selectionEstimate(std::optional<qint64> sampleSize)
{
    const qint64 sample = sampleSize.value_or(
        UserDefaults::standard().integerForKey(TolvaneSettings::EstimateSampleSize));
    startRun([this, sample](TolvaneAperture& engine) { engine.tolvaneEstimate(this, sample); });
}

void TolvaneApertureAppDelegate::startRun(std::function<void(TolvaneAperture&)> work)
{
    if (m_runUnderWay || m_nowProcessing)
        return;
    auto engine = std::make_shared<TolvaneAperture>();
    m_runUnderWay = true;
    MainThread::performInBackground([this, engine, work = std::move(work)] {
        work(*engine);
        m_runUnderWay = false;
    });
}

QString TolvaneApertureAppDelegate::lastReportPath() const
{
    const QMutexLocker lock(&m_reportLock);
    return m_lastReportPath;
}

void TolvaneApertureAppDelegate::runReportWritten(const QString& path)
{
    {
        const QMutexLocker lock(&m_reportLock);
        m_lastReportPath = path;
    }
    if (Button* button = m_outlets.openReportButton)
        MainThread::performAsync([button] { button->setEnabled(true); });
}

void TolvaneApertureAppDelegate::openLastReport()
{
    const QString path = lastReportPath();
    if (path.isEmpty())
        return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        SystemLog::log(QStringLiteral("Could not open the report %1").arg(path));
}

bool TolvaneApertureAppDelegate::chooseReferencedFolder()
{
    setReferencedFolder(QUrl());
    if (!m_outlets.openPanel) {
        SystemLog::log(QStringLiteral("No way to ask where externally referenced JPEGs go"));
        return false;
    }
    OpenPanel::Options options;
    options.canCreateDirectories = true;
    options.title = QStringLiteral("Export To");
    options.message =
        QStringLiteral("Where would you like to put the externally referenced JPEGs?");
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    QUrl chosen;
    if (m_outlets.openPanel->runModal(options, &chosen) != OpenPanel::OK)
        return false;
    setReferencedFolder(chosen);
    return true;
}

void TolvaneApertureAppDelegate::outputScaleSelect(int selectedTag)
{
    setFixedSize(false);
    if (selectedTag != 0)
        return;
    setFixedSize(true);
    configureFixedSize();
}

void TolvaneApertureAppDelegate::configureFixedSize()
{
    if (m_outlets.window && m_outlets.fixedSizePanel)
        m_outlets.window->beginSheet(*m_outlets.fixedSizePanel);
}

void TolvaneApertureAppDelegate::dismissFixedSizePanel()
{
    if (m_outlets.fixedWidthTextField)
        m_outlets.fixedWidthTextField->endEditing();
    if (m_outlets.fixedLengthTextField)
        m_outlets.fixedLengthTextField->endEditing();
    if (!m_outlets.fixedSizePanel)
        return;
    if (m_outlets.window)
        m_outlets.window->endSheet(*m_outlets.fixedSizePanel, 0);
    m_outlets.fixedSizePanel->orderOut();
}

void TolvaneApertureAppDelegate::configureKeywords()
{
    if (m_outlets.keywordCustomizationPanel)
        m_outlets.keywordCustomizationPanel->makeKeyAndOrderFront();
}

void TolvaneApertureAppDelegate::dismissKeywordCustomizationPanel()
{
    if (m_outlets.keywordCustomizationPanel)
        m_outlets.keywordCustomizationPanel->orderOut();
}

void TolvaneApertureAppDelegate::openInfoPage(const QString& infoKey)
{
    const QUrl url(Bundle::main().objectForInfoDictionaryKey(infoKey).toString());
    if (!url.isValid() || url.isEmpty()) {
        SystemLog::log(
            QStringLiteral("No address for %1 in the application's information").arg(infoKey));
        return;
    }
    QDesktopServices::openUrl(url);
}

void TolvaneApertureAppDelegate::moreInfoButton()
{
    openInfoPage(QStringLiteral("TolvaneProductInfoURL"));
}

void TolvaneApertureAppDelegate::techSupport()
{
    openInfoPage(QStringLiteral("TolvaneSupportURL"));
}

void TolvaneApertureAppDelegate::setStatusText(const QString& text)
{
    TextField* label = m_outlets.statusLabel;
    if (label)
        MainThread::performAsync([label, text] { label->setStringValue(text); });
}

void TolvaneApertureAppDelegate::setCountText(const QString& text)
{
    TextField* label = m_outlets.countLabel;
    if (label)
        MainThread::performAsync([label, text] { label->setStringValue(text); });
}

void TolvaneApertureAppDelegate::setScanButtonEnabled(bool enabled)
{
    for (Button* button : {m_outlets.selectionScanButton, m_outlets.estimateButton,
                           m_outlets.externallyReferencedCheck}) {
        if (button)
            MainThread::performAsync([button, enabled] { button->setEnabled(enabled); });
    }
}

void TolvaneApertureAppDelegate::setProgressValue(double value)
{
    ProgressIndicator* progress = m_outlets.progressIndicator;
    if (progress)
        MainThread::performAsync([progress, value] { progress->setDoubleValue(value); });
}

void TolvaneApertureAppDelegate::setProgressMaxValue(double value)
{
    ProgressIndicator* progress = m_outlets.progressIndicator;
    if (progress)
        MainThread::performAsync([progress, value] { progress->setMaxValue(value); });
}

void TolvaneApertureAppDelegate::showAlert(const QString& message, const QString& title)
{
    const Alert alert = alertWith(message, title);
    MainThread::performAndWait([this, alert] { doAlertSheet(alert); });
}

void TolvaneApertureAppDelegate::doAlertSheet(const Alert& alert)
{
    Q_ASSERT(MainThread::isCurrent());
    if (m_outlets.window) {
        m_outlets.window->beginAlertSheet(alert);
        return;
    }
    SystemLog::log(alert.messageText + QStringLiteral(": ") + alert.informativeText);
}

void TolvaneApertureAppDelegate::userSelectedFiles(const QString& path)
{
    Q_ASSERT(MainThread::isCurrent());
    if (!m_outlets.openPanel) {
        SystemLog::log(QStringLiteral("Read access to %1 is required").arg(path));
        return;
    }
    const QFileInfo item(path);
    OpenPanel::Options options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.title = QStringLiteral("Read Access Required");
    options.message =
        QStringLiteral("Tolvane Requires read access to %1.\nPlease select it or it's "
                       "parent folder and hit the Open button.")
            .arg(item.fileName());
    options.directory = item.path();
    QUrl chosen;
    // The panel insists: the only way out is choosing an item with Open.
    while (m_outlets.openPanel->runModal(options, &chosen) != OpenPanel::OK) {
    }
}
