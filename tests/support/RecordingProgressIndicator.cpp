#include "RecordingProgressIndicator.h"

#include "core/MainThread.h"

void RecordingProgressIndicator::record(Event::Kind kind, double value)
{
    if (!MainThread::isCurrent())
        ++m_offMain;
    m_history.push_back({kind, value});
}

void RecordingProgressIndicator::setMaxValue(double value)
{
    QMutexLocker lock(&m_mutex);
    m_max = value;
    record(Event::Kind::Max, value);
}

double RecordingProgressIndicator::maxValue() const
{
    QMutexLocker lock(&m_mutex);
    return m_max;
}

void RecordingProgressIndicator::setDoubleValue(double value)
{
    QMutexLocker lock(&m_mutex);
    m_value = value;
    record(Event::Kind::Value, value);
}

double RecordingProgressIndicator::doubleValue() const
{
    QMutexLocker lock(&m_mutex);
    return m_value;
}

void RecordingProgressIndicator::setIndeterminate(bool indeterminate)
{
    QMutexLocker lock(&m_mutex);
    m_indeterminate = indeterminate;
    record(Event::Kind::Indeterminate, indeterminate ? 1 : 0);
}

bool RecordingProgressIndicator::isIndeterminate() const
{
    QMutexLocker lock(&m_mutex);
    return m_indeterminate;
}

std::vector<RecordingProgressIndicator::Event> RecordingProgressIndicator::history() const
{
    QMutexLocker lock(&m_mutex);
    return m_history;
}
