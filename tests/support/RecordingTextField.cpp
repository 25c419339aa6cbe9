#include "RecordingTextField.h"

#include "core/MainThread.h"

void RecordingTextField::setStringValue(const QString& text)
{
    if (!MainThread::isCurrent())
        ++m_offMain;
    QMutexLocker lock(&m_mutex);
    m_value = text;
    m_history.append(text);
}

QString RecordingTextField::stringValue() const
{
    QMutexLocker lock(&m_mutex);
    return m_value;
}

QStringList RecordingTextField::history() const
{
    QMutexLocker lock(&m_mutex);
    return m_history;
}
