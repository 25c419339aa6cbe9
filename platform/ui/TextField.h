#pragma once

#include <QString>

/// A text field or label of a window, as the delegate sees it.
/// Implementations are used on the main thread only.
class TextField {
public:
    virtual ~TextField() = default;
    virtual void setStringValue(const QString& text) = 0;
    virtual QString stringValue() const = 0;
    /// Commits what is being typed in this field's window (no view keeps the
    /// keyboard focus), so the value in progress reaches its model first.
    virtual void endEditing() {}
};
