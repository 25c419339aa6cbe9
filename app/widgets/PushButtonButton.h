#pragma once

#include "ui/Button.h"

class QAbstractButton;

/// A button of a window as a Button: the scan button and the check box for
/// externally referenced output, which a run disables while it is under way.
///
/// Wraps a button that its window owns and that must outlive this object.
/// Main thread only (asserted).
class PushButtonButton : public Button {
public:
    explicit PushButtonButton(QAbstractButton* button);

    void setEnabled(bool enabled) override;
    bool isEnabled() const override;

private:
    QAbstractButton* m_button;
};
