#include "MainWindowController.h"

#include "DefaultsObservers.h"
#include "FixedSizePanelController.h"
#include "KeywordPanelController.h"
#include "TolvaneAperture.h"
#include "TolvaneApertureAppDelegate.h"
#include "TolvaneSettings.h"
#include "core/UserDefaults.h"
#include "ui_MainWindow.h"
#include "widgets/FileDialogOpenPanel.h"
#include "widgets/LabelTextField.h"
#include "widgets/MainWindowWindow.h"
#include "widgets/ProgressBarIndicator.h"
#include "widgets/PushButtonButton.h"

#include <QButtonGroup>
#include <QMainWindow>
#include <QShortcut>

#include <cmath>

namespace {

// The output size choices in the order of their "JpegOutputSize" values,
// each with the tag the size action gets: the per cent of a scale, 0 for the
// fixed size.
constexpr int kOutputSizeTags[] = {100, 75, 50, 25, 0};
constexpr int kOutputSizeChoices = static_cast<int>(std::size(kOutputSizeTags));
static_assert(kOutputSizeChoices == TolvaneSettings::OutputSizeCount);
// The quality slider counts hundredths.
constexpr double kQualitySteps = 100.0;

QString qualityText(int step)
{
    return QString::asprintf("%.2f", step / kQualitySteps);
}

// What the fixed size limits, for the line beside the output size choice.
QString fixedSizeSummary(const TolvaneApertureAppDelegate& delegate)
{
    if (!delegate.fixedSize())
        return {};
    QStringList sides;
    if (delegate.longLocked())
        sides << QStringLiteral("long side %1 px").arg(delegate.longSize().toLongLong());
    if (delegate.shortLocked())
        sides << QStringLiteral("short side %1 px").arg(delegate.shortSize().toLongLong());
    return sides.join(QStringLiteral(", "));
}
} // namespace

MainWindowController::MainWindowController(QObject* parent)
    : QObject(parent), m_window(std::make_unique<QMainWindow>()),
      m_ui(std::make_unique<Ui::MainWindow>()), m_defaults(UserDefaults::standard())
{
    m_ui->setupUi(m_window.get());

    m_delegate = std::make_unique<TolvaneApertureAppDelegate>();
    m_fixedSize = std::make_unique<FixedSizePanelController>(*m_delegate, m_window.get());
    m_keywords = std::make_unique<KeywordPanelController>(*m_delegate, m_defaults, m_window.get());
    connectOutlets();
    m_delegate->awakeFromNib();

    m_observers = std::make_unique<DefaultsObservers>(m_defaults, this);
    bindProcessingOption();
    bindQuality();
    bindOutputSize();
    bindSwitches();
    bindActions();
    connect(m_delegate.get(), &TolvaneApertureAppDelegate::propertyChanged, this,
            &MainWindowController::showProperty);
    for (const char* name : {"processingOption", "compressionFactor", "fixedSize"})
        showProperty(QString::fromLatin1(name));
    m_window->adjustSize();
}

MainWindowController::~MainWindowController()
{
    // The observers and the delegate go before the widgets they show into.
    m_observers.reset();
    m_delegate->setOutlets({});
}

QDialog* MainWindowController::fixedSizePanel() const
{
    return m_fixedSize->dialog();
}

QDialog* MainWindowController::keywordCustomizationPanel() const
{
    return m_keywords->dialog();
}

void MainWindowController::showWindow()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MainWindowController::connectOutlets()
{
    m_windowOutlet = std::make_unique<MainWindowWindow>(m_window.get());
    m_selectedLabel = std::make_unique<LabelTextField>(m_ui->selectedLabel);
    m_statusLabel = std::make_unique<LabelTextField>(m_ui->statusLabel);
    m_countLabel = std::make_unique<LabelTextField>(m_ui->countLabel);
    m_progressIndicator = std::make_unique<ProgressBarIndicator>(m_ui->progressIndicator);
    m_scanButton = std::make_unique<PushButtonButton>(m_ui->selectionScanButton);
    m_estimateButton = std::make_unique<PushButtonButton>(m_ui->estimateButton);
    m_openReportButton = std::make_unique<PushButtonButton>(m_ui->openReportButton);
    m_referencedCheck = std::make_unique<PushButtonButton>(m_ui->externallyReferencedCheck);
    m_openPanel = std::make_unique<FileDialogOpenPanel>(m_window.get());

    TolvaneApertureAppDelegate::Outlets outlets;
    outlets.window = m_windowOutlet.get();
    outlets.selectedLabel = m_selectedLabel.get();
    outlets.statusLabel = m_statusLabel.get();
    outlets.countLabel = m_countLabel.get();
    outlets.progressIndicator = m_progressIndicator.get();
    outlets.selectionScanButton = m_scanButton.get();
    outlets.estimateButton = m_estimateButton.get();
    outlets.openReportButton = m_openReportButton.get();
    outlets.externallyReferencedCheck = m_referencedCheck.get();
    outlets.fixedSizePanel = &m_fixedSize->panel();
    outlets.fixedLengthTextField = &m_fixedSize->lengthField();
    outlets.fixedWidthTextField = &m_fixedSize->widthField();
    outlets.keywordCustomizationPanel = &m_keywords->panel();
    outlets.openPanel = m_openPanel.get();
    m_delegate->setOutlets(outlets);
}

void MainWindowController::bindProcessingOption()
{
    m_processingOptions = new QButtonGroup(this);
    QRadioButton* const buttons[] = {m_ui->convertWithAdjustmentsRadio,
                                     m_ui->convertWithoutAdjustmentsRadio, m_ui->separateBothRadio,
                                     m_ui->extractRawRadio, m_ui->extractJpegRadio};
    for (int option = 0; option < static_cast<int>(std::size(buttons)); ++option)
        m_processingOptions->addButton(buttons[option], option);

    // idClicked is the user's alone; showing a stored value never writes it.
    connect(m_processingOptions, &QButtonGroup::idClicked, this, [this](int option) {
        m_defaults.setValue(qint64(option), TolvaneSettings::ProcessingOption);
    });
    m_observers->observe(TolvaneSettings::ProcessingOption, [this] {
        QAbstractButton* chosen = m_processingOptions->button(
            static_cast<int>(m_defaults.integerForKey(TolvaneSettings::ProcessingOption)));
        if (chosen) {
            chosen->setChecked(true);
            return;
        }
        // A stored option outside the five shows no choice at all.
        m_processingOptions->setExclusive(false);
        for (QAbstractButton* button : m_processingOptions->buttons())
            button->setChecked(false);
        m_processingOptions->setExclusive(true);
    });
}

void MainWindowController::bindQuality()
{
    QSlider* slider = m_ui->qualitySlider;
    // The slider reports a new value once it is let go (or moved by the
    // keyboard); while it is dragged the text shows where it would land.
    connect(slider, &QSlider::valueChanged, this, [this](int step) {
        m_defaults.setValue(step / kQualitySteps, TolvaneSettings::JpegQuality);
    });
    connect(slider, &QSlider::sliderMoved, this,
            [this](int step) { m_ui->qualityValueLabel->setText(qualityText(step)); });
    m_observers->observe(TolvaneSettings::JpegQuality, [this, slider] {
        const QSignalBlocker quiet(slider);
        slider->setValue(static_cast<int>(
            std::lround(m_defaults.doubleForKey(TolvaneSettings::JpegQuality) * kQualitySteps)));
    });
}

void MainWindowController::bindOutputSize()
{
    QComboBox* sizes = m_ui->outputSizeCombo;
    for (int choice = 0; choice < kOutputSizeChoices; ++choice)
        sizes->setItemData(choice, kOutputSizeTags[choice]);
    // activated comes from the user only, and also when the chosen entry is
    // chosen again: choosing the fixed size again reopens its sheet.
    connect(sizes, &QComboBox::activated, this, [this, sizes](int choice) {
        m_defaults.setValue(qint64(choice), TolvaneSettings::JpegOutputSize);
        m_delegate->outputScaleSelect(sizes->itemData(choice).toInt());
    });
    m_observers->observe(TolvaneSettings::JpegOutputSize, [this, sizes] {
        const qint64 stored = m_defaults.integerForKey(TolvaneSettings::JpegOutputSize);
        // A value outside the choices counts as full size.
        const bool known = stored >= 0 && stored < kOutputSizeChoices;
        const QSignalBlocker quiet(sizes);
        sizes->setCurrentIndex(known ? static_cast<int>(stored) : 0);
    });
}

void MainWindowController::bindSwitches()
{
    const std::pair<QCheckBox*, QString> switches[] = {
        {m_ui->albumCheck, TolvaneSettings::AlbumEnabled},
        {m_ui->externallyReferencedCheck, TolvaneSettings::ExternallyReferenced},
        {m_ui->tagCheck, TolvaneSettings::TagEnabled},
        {m_ui->trashCheck, TolvaneSettings::TrashEnabled},
        {m_ui->hideCheck, TolvaneSettings::HideEnabled},
        {m_ui->onlySmallerCheck, TolvaneSettings::OnlySmallerFiles},
    };
    for (const auto& entry : switches) {
        QCheckBox* box = entry.first;
        const QString key = entry.second;
        connect(box, &QCheckBox::clicked, this,
                [this, key](bool on) { m_defaults.setValue(on, key); });
        m_observers->observe(key,
                             [this, box, key] { box->setChecked(m_defaults.boolForKey(key)); });
    }
}

void MainWindowController::bindActions()
{
    TolvaneApertureAppDelegate* delegate = m_delegate.get();
    connect(m_ui->selectionScanButton, &QPushButton::clicked, this,
            [delegate] { delegate->selectionScan(); });
    connect(m_ui->estimateButton, &QPushButton::clicked, this,
            [delegate] { delegate->selectionEstimate(); });
    connect(m_ui->openReportButton, &QPushButton::clicked, this,
            [delegate] { delegate->openLastReport(); });
    connect(m_ui->keywordsButton, &QPushButton::clicked, this,
            [delegate] { delegate->configureKeywords(); });
    connect(m_ui->moreInfoButton, &QPushButton::clicked, this,
            [delegate] { delegate->moreInfoButton(); });
    connect(m_ui->techSupportButton, &QPushButton::clicked, this,
            [delegate] { delegate->techSupport(); });

    // The scan button is the window's default button: Return presses it
    // wherever the keyboard is in the window, as long as it is enabled.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), m_window.get());
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (m_ui->selectionScanButton->isEnabled())
                m_ui->selectionScanButton->click();
        });
    }
    auto* quit = new QShortcut(QKeySequence::Quit, m_window.get());
    connect(quit, &QShortcut::activated, m_window.get(), &QWidget::close);
}

void MainWindowController::showProperty(const QString& name)
{
    if (name == QLatin1String("processingOption")) {
        m_ui->outputBox->setTitle(m_delegate->jpegOutputSetttingsBoxText());
        // Split pairs are imported as they are: quality and size do not apply.
        m_ui->encodingSettings->setEnabled(!m_delegate->rawJpegMode());
        m_ui->onlySmallerCheck->setEnabled(!m_delegate->rawJpegMode());
    } else if (name == QLatin1String("compressionFactor")) {
        m_ui->qualityValueLabel->setText(m_delegate->compressionFactorText());
    } else if (name == QLatin1String("fixedSize") || name == QLatin1String("longSize") ||
               name == QLatin1String("shortSize") || name == QLatin1String("longLocked") ||
               name == QLatin1String("shortLocked")) {
        m_ui->fixedSizeSummaryLabel->setText(fixedSizeSummary(*m_delegate));
    }
}
