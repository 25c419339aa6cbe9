#include "LineEditTextField.h"

#include "core/MainThread.h"

#include <QLineEdit>

LineEditTextField::LineEditTextField(QLineEdit* edit, QObject* parent)
    : QObject(parent), m_edit(edit)
{
    Q_ASSERT(m_edit);
    connect(m_edit, &QLineEdit::editingFinished, this, &LineEditTextField::commit);
}

void LineEditTextField::setStringValue(const QString& text)
{
    Q_ASSERT(MainThread::isCurrent());
    // setText() also clears the modified flag: a model value is no user edit.
    if (m_edit->text() != text)
        m_edit->setText(text);
    m_edit->setModified(false);
}

QString LineEditTextField::stringValue() const
{
    Q_ASSERT(MainThread::isCurrent());
    return m_edit->text();
}

void LineEditTextField::endEditing()
{
    Q_ASSERT(MainThread::isCurrent());
    commit();
    QWidget* focused = m_edit->window()->focusWidget();
    if (qobject_cast<QLineEdit*>(focused))
        focused->clearFocus();
}

void LineEditTextField::commit()
{
    if (!m_edit->isModified())
        return;
    m_edit->setModified(false);
    Q_EMIT committed(m_edit->text());
}
