#pragma once

#include "ui/TextField.h"

#include <QObject>

class QLineEdit;

/// An editable text field as a TextField, for the fixed output size.
///
/// What the user types reaches the model only when it is committed: on
/// Return, when the field loses the keyboard focus, or when endEditing() is
/// called; each commit of a changed text emits committed() once. Setting the
/// value from the model never emits it, so a model that shows its own value
/// sees no echo. Wraps a line edit that its window owns and that must outlive
/// this object. Main thread only (asserted).
class LineEditTextField : public QObject, public TextField {
    Q_OBJECT
public:
    explicit LineEditTextField(QLineEdit* edit, QObject* parent = nullptr);

    void setStringValue(const QString& text) override;
    QString stringValue() const override;
    /// Commits this field's text if the user changed it, then takes the
    /// keyboard focus from whichever text field of the window holds it (which
    /// commits that one too). Buttons keep their focus, so a keyboard user
    /// does not lose their place.
    void endEditing() override;

    QLineEdit* lineEdit() const { return m_edit; }

Q_SIGNALS:
    /// The user's text, committed.
    void committed(const QString& text);

private:
    void commit();

    QLineEdit* m_edit;
};
