#include "ProgressBarIndicator.h"

#include "core/MainThread.h"

#include <QProgressBar>

#include <algorithm>
#include <cmath>

ProgressBarIndicator::ProgressBarIndicator(QProgressBar* bar) : m_bar(bar)
{
    Q_ASSERT(m_bar);
    m_indeterminate = m_bar->minimum() == m_bar->maximum();
    show();
}

void ProgressBarIndicator::setMaxValue(double value)
{
    Q_ASSERT(MainThread::isCurrent());
    m_max = value;
    show();
}

double ProgressBarIndicator::maxValue() const
{
    Q_ASSERT(MainThread::isCurrent());
    return m_max;
}

void ProgressBarIndicator::setDoubleValue(double value)
{
    Q_ASSERT(MainThread::isCurrent());
    m_value = value;
    show();
}

double ProgressBarIndicator::doubleValue() const
{
    Q_ASSERT(MainThread::isCurrent());
    return m_value;
}

void ProgressBarIndicator::setIndeterminate(bool indeterminate)
{
    Q_ASSERT(MainThread::isCurrent());
    m_indeterminate = indeterminate;
    show();
}

bool ProgressBarIndicator::isIndeterminate() const
{
    Q_ASSERT(MainThread::isCurrent());
    return m_indeterminate;
}

void ProgressBarIndicator::show()
{
    if (m_indeterminate) {
        // An empty range is the bar's busy display.
        m_bar->setRange(0, 0);
        return;
    }
    m_bar->setRange(0, Steps);
    const double share = m_max > 0 ? m_value / m_max : 0.0;
    const double clamped = std::isfinite(share) ? std::clamp(share, 0.0, 1.0) : 0.0;
    m_bar->setValue(static_cast<int>(std::lround(clamped * Steps)));
}
