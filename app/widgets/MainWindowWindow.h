#pragma once

#include "ui/Window.h"

class QWidget;

/// The main window as a Window: its sheets are window-modal dialogs.
///
/// beginAlertSheet() and beginSheet() show the dialog modal to this window
/// only and return at once; the caller goes on while the sheet is up, and
/// the rest of the application stays usable. Each alert sheet is a message
/// box of its own that deletes itself when answered; its answer is not read.
/// A panel given to beginSheet() must be a DialogPanel (anything else is just
/// brought to the front); it stays shown after endSheet() until it is
/// ordered out. Wraps a window that must outlive this object. Main thread
/// only (asserted).
class MainWindowWindow : public Window {
public:
    explicit MainWindowWindow(QWidget* window);

    void beginAlertSheet(const Alert& alert) override;
    void beginSheet(Panel& sheet) override;
    /// Records the return code as the dialog's result.
    void endSheet(Panel& sheet, int returnCode) override;
    /// Takes the keyboard focus from whichever view of the window holds it.
    void endEditing() override;

    QWidget* widget() const { return m_window; }

private:
    QWidget* m_window;
};
