#pragma once

#include "ui/AlertPresenter.h"

class QMessageBox;
class QWidget;

/// Application-modal alerts as message boxes: the presenter the window
/// installs for ModalAlert.
///
/// runModal() runs on the main thread and blocks until the user pressed a
/// button (ModalAlert makes callers on other threads wait for it), while
/// the event loop keeps the windows drawn. The answer is
/// Alert::FirstButtonReturn for the first button, one more for each next.
/// The first button is the default (Return); Escape or closing the box
/// answers with the last button, the alerts' customary way out.
class MessageBoxAlertPresenter : public AlertPresenter {
public:
    int runModal(const Alert& alert) override;

    /// A message box showing the alert: its style as the icon, the message
    /// text as the main text, the informative text below and the buttons in
    /// order ("OK" when the alert names none). Owned by `parent` if given,
    /// else by the caller. Main thread only.
    static QMessageBox* messageBox(const Alert& alert, QWidget* parent);
};
