#pragma once

#include <QObject>

#include <memory>

class DefaultsObservers;
class FileDialogOpenPanel;
class FixedSizePanelController;
class KeywordPanelController;
class LabelTextField;
class MainWindowWindow;
class ProgressBarIndicator;
class PushButtonButton;
class QButtonGroup;
class QDialog;
class QMainWindow;
class TolvaneApertureAppDelegate;
class UserDefaults;
namespace Ui {
class MainWindow;
}

/// Loads the main interface and binds it: the main window from
/// MainWindow.ui, with the fixed size panel and the keyword customization
/// panel, and the one application delegate.
///
/// Construction does what loading the interface does, in order: the window
/// and panels are built, the delegate is created (its constructor registers
/// the default settings and mirrors the settings keys), the window's outlets
/// are handed to it, and its awakeFromNib() runs. Then each control is bound:
/// the processing option, quality, output size and the five switches edit
/// their keys in the standard defaults store directly and show every change
/// of their key, wherever it was made; the output box title, the quality text
/// and the fixed-size summary follow the delegate's properties; the buttons
/// call the delegate's actions. The window is not shown until showWindow().
///
/// Main thread only. The controller owns the window, the panels and the
/// delegate; it needs a QApplication, and the standard defaults store must
/// outlive it.
class MainWindowController : public QObject {
    Q_OBJECT
public:
    explicit MainWindowController(QObject* parent = nullptr);
    ~MainWindowController() override;

    TolvaneApertureAppDelegate& delegate() const { return *m_delegate; }
    QMainWindow* window() const { return m_window.get(); }
    QDialog* fixedSizePanel() const;
    QDialog* keywordCustomizationPanel() const;

    /// Shows the main window in front, with the keyboard.
    void showWindow();

private:
    void connectOutlets();
    void bindProcessingOption();
    void bindQuality();
    void bindOutputSize();
    void bindSwitches();
    void bindActions();
    void showProperty(const QString& name);

    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<Ui::MainWindow> m_ui;
    UserDefaults& m_defaults;
    std::unique_ptr<TolvaneApertureAppDelegate> m_delegate;
    std::unique_ptr<FixedSizePanelController> m_fixedSize;
    std::unique_ptr<KeywordPanelController> m_keywords;
    std::unique_ptr<MainWindowWindow> m_windowOutlet;
    std::unique_ptr<LabelTextField> m_selectedLabel;
    std::unique_ptr<LabelTextField> m_statusLabel;
    std::unique_ptr<LabelTextField> m_countLabel;
    std::unique_ptr<ProgressBarIndicator> m_progressIndicator;
    std::unique_ptr<PushButtonButton> m_scanButton;
    std::unique_ptr<PushButtonButton> m_estimateButton;
    std::unique_ptr<PushButtonButton> m_openReportButton;
    std::unique_ptr<PushButtonButton> m_referencedCheck;
    std::unique_ptr<FileDialogOpenPanel> m_openPanel;
    QButtonGroup* m_processingOptions = nullptr;
    std::unique_ptr<DefaultsObservers> m_observers;
};
