#pragma once

#include "ui/ProgressIndicator.h"

#include <QMutex>

#include <atomic>
#include <vector>

/// A progress indicator that remembers every change made to it (maximum,
/// value, indeterminate state), in order, and counts the changes that
/// arrived off the main thread. Used by tests in place of a widget; the
/// record may be read from any thread.
class RecordingProgressIndicator : public ProgressIndicator {
public:
    struct Event {
        enum class Kind { Max, Value, Indeterminate } kind;
        double value;
    };
    void setMaxValue(double value) override;
    double maxValue() const override;
    void setDoubleValue(double value) override;
    double doubleValue() const override;
    void setIndeterminate(bool indeterminate) override;
    bool isIndeterminate() const override;
    std::vector<Event> history() const;
    int offMainThreadCalls() const { return m_offMain.load(); }

private:
    void record(Event::Kind kind, double value);
    mutable QMutex m_mutex;
    double m_max = 100;
    double m_value = 0;
    bool m_indeterminate = true;
    std::vector<Event> m_history;
    std::atomic<int> m_offMain{0};
};
