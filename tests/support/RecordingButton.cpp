#include "RecordingButton.h"

#include "core/MainThread.h"

void RecordingButton::setEnabled(bool enabled)
{
    if (!MainThread::isCurrent())
        ++m_offMain;
    QMutexLocker lock(&m_mutex);
    m_enabled = enabled;
    m_history.push_back(enabled);
}

std::vector<bool> RecordingButton::history() const
{
    QMutexLocker lock(&m_mutex);
    return m_history;
}
