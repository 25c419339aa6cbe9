#pragma once

#include "ui/TextField.h"

class QLabel;

/// A label of a window as a TextField: the delegate's status, file name and
/// selection count texts.
///
/// Wraps a label that its window owns; the label must outlive this object.
/// Main thread only (asserted): run-thread updates reach it through the
/// delegate, which forwards them to the main thread in order.
class LabelTextField : public TextField {
public:
    explicit LabelTextField(QLabel* label);

    void setStringValue(const QString& text) override;
    QString stringValue() const override;

private:
    QLabel* m_label;
};
