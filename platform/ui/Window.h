#pragma once

#include "Alert.h"

class Panel;

/// The main window as the delegate uses it: sheets (window-modal, never
/// blocking the caller) and the end of editing. Main thread only.
class Window {
public:
    virtual ~Window() = default;
    /// Puts the alert up as a sheet and returns at once.
    virtual void beginAlertSheet(const Alert& alert) = 0;
    /// Shows a panel as a sheet on this window and returns at once.
    virtual void beginSheet(Panel& sheet) = 0;
    /// Ends a panel's sheet with a return code; the panel stays ordered in
    /// until the caller orders it out.
    virtual void endSheet(Panel& sheet, int returnCode) = 0;
    /// Commits whatever is being typed: no view keeps the keyboard focus.
    virtual void endEditing() = 0;
};
