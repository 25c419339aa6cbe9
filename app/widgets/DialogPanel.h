#pragma once

#include "ui/Panel.h"

class QDialog;

/// A dialog as a Panel: the fixed size panel (shown as a sheet by
/// MainWindowWindow) and the keyword customization panel (a window of its
/// own, not modal).
///
/// Wraps a dialog that its window owns and that must outlive this object.
/// Main thread only (asserted).
class DialogPanel : public Panel {
public:
    explicit DialogPanel(QDialog* dialog);

    /// Shows the dialog, raises it and gives it the keyboard.
    void makeKeyAndOrderFront() override;
    void orderOut() override;
    bool isVisible() const override;

    QDialog* dialog() const { return m_dialog; }

private:
    QDialog* m_dialog;
};
