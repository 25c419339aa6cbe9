#pragma once

#include "DefaultsObservers.h"
#include "widgets/DialogPanel.h"

#include <QObject>

#include <memory>
#include <utility>
#include <vector>

class QDialog;
class QLineEdit;
class QWidget;
class TolvaneApertureAppDelegate;
class UserDefaults;
namespace Ui {
class KeywordCustomizationPanel;
}

/// The keyword customization panel: a window of its own, not modal, whose
/// six fields edit the keyword keys of the defaults store directly
/// ("ParentKeywords", "OriginalsKeyword", "ProcessedKeyword",
/// "ExtractedSeparatedKeyword", "ExtractedRawKeyword", "ExtractedJpegKeyword").
///
/// Built from KeywordCustomizationPanel.ui as a dialog of `window`. A field's
/// text is written to its key when it is committed (Return, leaving the
/// field) and, for text still being typed, when the panel is closed; a key
/// changed elsewhere shows in its field. Close, Escape and closing the panel
/// all dismiss it through the delegate. Main thread only; the delegate and
/// the store must outlive the controller.
class KeywordPanelController : public QObject {
    Q_OBJECT
public:
    KeywordPanelController(TolvaneApertureAppDelegate& delegate, UserDefaults& defaults,
                           QWidget* window);
    ~KeywordPanelController() override;

    QDialog* dialog() const { return m_dialog; }
    DialogPanel& panel() { return m_panel; }

private:
    void commit(QLineEdit* field, const QString& key);
    void commitAll();

    TolvaneApertureAppDelegate& m_delegate;
    QDialog* m_dialog;
    std::unique_ptr<Ui::KeywordCustomizationPanel> m_ui;
    DialogPanel m_panel;
    std::vector<std::pair<QLineEdit*, QString>> m_fields;
    DefaultsObservers m_observers;
};
