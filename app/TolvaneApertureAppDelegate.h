#pragma once

#include "RunDelegate.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

class Button;
class TolvaneAperture;
class OpenPanel;
class Panel;
class ProgressIndicator;
class TextField;
class UserDefaults;
class Window;

/// The application delegate: holds the settings of a run, mirrored from the
/// defaults store; keeps the fixed output size consistent; drives the main
/// window for the runs; starts runs.
///
/// Created once by the front end on the main thread and lives as long as the
/// process. The front end hands it its outlets (setOutlets) before
/// awakeFromNib(). Actions and setters are main-thread calls; the RunDelegate
/// side may be called from a run's thread (see there). Object-valued settings
/// are guarded so a reader on another thread always gets a whole value.
class TolvaneApertureAppDelegate : public QObject, public RunDelegate {
    Q_OBJECT
public:
    /// The window's outlets; all non-owning, any may be null.
    struct Outlets {
        Window* window = nullptr;
        TextField* selectedLabel = nullptr;
        TextField* statusLabel = nullptr;
        TextField* countLabel = nullptr;
        ProgressIndicator* progressIndicator = nullptr;
        Button* selectionScanButton = nullptr;
        /// Starts an estimate; disabled with the scan button during a run.
        Button* estimateButton = nullptr;
        /// Opens the last run's report; enabled once a run wrote one.
        Button* openReportButton = nullptr;
        /// The switch for externally referenced output: a run reads it once,
        /// so it is disabled together with the scan button.
        Button* externallyReferencedCheck = nullptr;
        Panel* fixedSizePanel = nullptr;
        TextField* fixedLengthTextField = nullptr;
        TextField* fixedWidthTextField = nullptr;
        Panel* keywordCustomizationPanel = nullptr;
        OpenPanel* openPanel = nullptr;
    };

    /// The eight observed defaults keys, in the order they are observed.
    static const QStringList& observedKeys();
    static const QString& trashWarningTitle();
    static const QString& trashWarningMessage();

    /// Registers the bundle's default settings and observes the settings keys.
    explicit TolvaneApertureAppDelegate(QObject* parent = nullptr);
    ~TolvaneApertureAppDelegate() override;

    void setOutlets(const Outlets& outlets);
    const Outlets& outlets() const { return m_outlets; }

    // Settings (RunDelegate) and their setters.
    bool tagEnabled() const override { return m_tagEnabled; }
    void setTagEnabled(bool on);
    bool trashEnabled() const override { return m_trashEnabled; }
    /// Turning the option on first shows the warning about stacks.
    void setTrashEnabled(bool on);
    bool hideEnabled() const override { return m_hideEnabled; }
    void setHideEnabled(bool on);
    bool albumEnabled() const override { return m_albumEnabled; }
    void setAlbumEnabled(bool on);
    bool externallyReferenced() const override { return m_externallyReferenced; }
    void setExternallyReferenced(bool on);
    QUrl referencedFolder() const override;
    void setReferencedFolder(const QUrl& folder);
    float scaleFactor() const override { return m_scaleFactor; }
    void setScaleFactor(float factor);
    bool nowProcessing() const override { return m_nowProcessing; }
    void setNowProcessing(bool processing) override;
    QVariant compressionFactor() const override;
    /// Stores the quality and derives its text ("%.2f").
    void setCompressionFactor(const QVariant& number);
    QString compressionFactorText() const;
    QString jpegOutputSetttingsBoxText() const;
    bool rawJpegMode() const { return m_rawJpegMode; }
    qint64 processingOption() const override { return m_processingOption; }
    bool fixedSize() const override { return m_fixedSize; }
    void setFixedSize(bool on);

    // Fixed output size: the lock rule keeps at least one side locked.
    QVariant shortSize() const override;
    QVariant longSize() const override;
    void setShortSize(const QVariant& number);
    void setLongSize(const QVariant& number);
    bool shortLocked() const override { return m_shortLocked; }
    bool longLocked() const override { return m_longLocked; }
    void setShortLocked(bool flag);
    void setLongLocked(bool flag);

    /// Applies one observed defaults key, fetching its value from `object`.
    void observeValueForKeyPath(const QString& keyPath, UserDefaults& object);

    /// Restores the fixed-size settings once the outlets are connected.
    void awakeFromNib();

    // Life events of the application (main thread).
    /// The offer to move the application into an Applications folder, made
    /// before launching finishes; only the desktop window sets one.
    void setMoveOffer(std::function<void()> offer) { m_moveOffer = std::move(offer); }
    void applicationWillFinishLaunching();
    /// Looks for a new crash log first and offers it; a bundle without a
    /// crash report address is told in an alert.
    void applicationDidFinishLaunching();
    /// Shows the number of images selected in the library, unless a run is
    /// under way.
    void applicationDidBecomeActive();
    void applicationWillTerminate();
    /// Images selected in the library; 0 when it is not running (it is never
    /// started for this).
    static qint64 selectionCount();

    // Actions of the main window (main thread).
    /// Starts a run on the library's selection on a thread of its own: a new
    /// engine per run, the output folder asked first when JPEGs stay
    /// outside the library. A press while a run is under way starts nothing.
    void selectionScan();
    /// Starts an estimate of the savings on the library's selection, on a
    /// thread of its own: `sampleSize` images evenly spread (0 for all), by
    /// default the number the defaults store holds ("EstimateSampleSize").
    /// Nothing is asked, since an estimate writes nothing outside its work
    /// folder. A press while a run is under way starts nothing.
    void selectionEstimate(std::optional<qint64> sampleSize = std::nullopt);
    /// Whether a run started here has not returned yet.
    bool runUnderWay() const { return m_runUnderWay; }
    /// The report the last run wrote; empty before the first. Any thread.
    QString lastReportPath() const;
    /// Opens the last run's report in the desktop's application for CSV.
    void openLastReport();
    void outputScaleSelect(int selectedTag);
    void configureFixedSize();
    void dismissFixedSizePanel();
    void configureKeywords();
    void dismissKeywordCustomizationPanel();
    void moreInfoButton();
    void techSupport();

    // RunDelegate: window updates from any thread, forwarded in order.
    void setStatusText(const QString& text) override;
    void setCountText(const QString& text) override;
    void setScanButtonEnabled(bool enabled) override;
    void setProgressValue(double value) override;
    void setProgressMaxValue(double value) override;
    void runReportWritten(const QString& path) override;
    void showAlert(const QString& message, const QString& title) override;
    void userSelectedFiles(const QString& path) override;

    /// Begins the alert as a sheet on the main window. Main thread only.
    void doAlertSheet(const Alert& alert);

Q_SIGNALS:
    /// A setting property changed; `name` is the property's name. Emitted
    /// on the thread that changed it (queued to main-thread receivers).
    void propertyChanged(const QString& name);

private:
    void applyOutputSize(const QVariant& value);
    void applyProcessingOption(const QVariant& value);
    void openInfoPage(const QString& infoKey);
    /// Asks where externally referenced JPEGs go; false when cancelled.
    bool chooseReferencedFolder();
    /// Starts `work` on a new engine on a thread of its own, unless a run is
    /// under way.
    void startRun(std::function<void(TolvaneAperture&)> work);

    Outlets m_outlets;
    mutable QMutex m_reportLock;
    QString m_lastReportPath;
    std::function<void()> m_moveOffer;
    bool m_initializing = false;
    std::vector<int> m_observerTokens;

    std::atomic<bool> m_tagEnabled{false};
    std::atomic<bool> m_trashEnabled{false};
    std::atomic<bool> m_hideEnabled{false};
    std::atomic<bool> m_albumEnabled{false};
    std::atomic<bool> m_externallyReferenced{false};
    std::atomic<float> m_scaleFactor{1.0f};
    std::atomic<bool> m_nowProcessing{false};
    std::atomic<bool> m_runUnderWay{false};
    std::atomic<bool> m_rawJpegMode{false};
    std::atomic<qint64> m_processingOption{0};
    std::atomic<bool> m_fixedSize{false};
    std::atomic<bool> m_shortLocked{false};
    std::atomic<bool> m_longLocked{false};

    // Object-valued settings: copied out under the lock.
    mutable QMutex m_objectsMutex;
    QUrl m_referencedFolder;
    QVariant m_compressionFactor;
    QString m_compressionFactorText;
    QString m_jpegOutputSetttingsBoxText;
    QVariant m_shortSize;
    QVariant m_longSize;
    QVariant m_prevShortSize;
    QVariant m_prevLongSize;
};
