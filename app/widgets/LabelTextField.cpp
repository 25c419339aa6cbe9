#include "LabelTextField.h"

#include "core/MainThread.h"

#include <QLabel>

LabelTextField::LabelTextField(QLabel* label) : m_label(label)
{
    Q_ASSERT(m_label);
}

void LabelTextField::setStringValue(const QString& text)
{
    Q_ASSERT(MainThread::isCurrent());
    m_label->setText(text);
}

QString LabelTextField::stringValue() const
{
    Q_ASSERT(MainThread::isCurrent());
    return m_label->text();
}
