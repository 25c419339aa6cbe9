#pragma once

#include "widgets/DialogPanel.h"
#include "widgets/LineEditTextField.h"

#include <QObject>

#include <memory>

class QDialog;
class QWidget;
class TolvaneApertureAppDelegate;
namespace Ui {
class FixedSizePanel;
}

/// The fixed size panel: the long and short side of a fixed output size,
/// each with its lock, shown as a sheet on the main window.
///
/// Built from FixedSizePanel.ui as a dialog of `window`. Every edit goes
/// through the delegate's setters, which keep the lock rule (a committed
/// size to setLongSize()/setShortSize(), a lock box to setLongLocked()/
/// setShortLocked()), and the panel shows the delegate's values whenever
/// they change, so a side that the rule blanks or restores is shown as such.
/// A blank (0) side shows an empty field; an unlocked side's field is
/// disabled. Done, Escape and closing the panel all dismiss it through the
/// delegate. Main thread only; the delegate must outlive the controller.
class FixedSizePanelController : public QObject {
    Q_OBJECT
public:
    FixedSizePanelController(TolvaneApertureAppDelegate& delegate, QWidget* window);
    ~FixedSizePanelController() override;

    QDialog* dialog() const { return m_dialog; }
    DialogPanel& panel() { return m_panel; }
    LineEditTextField& lengthField() { return *m_length; }
    LineEditTextField& widthField() { return *m_width; }

    /// Shows the delegate's current sizes and locks.
    void showAll();

private:
    void showProperty(const QString& name);

    TolvaneApertureAppDelegate& m_delegate;
    QDialog* m_dialog;
    std::unique_ptr<Ui::FixedSizePanel> m_ui;
    DialogPanel m_panel;
    LineEditTextField* m_length = nullptr;
    LineEditTextField* m_width = nullptr;
};
