#pragma once

#include "ui/Button.h"

#include <QMutex>

#include <atomic>
#include <vector>

/// A button that remembers every enabled state set on it, in order, and
/// counts the sets that arrived off the main thread. Used by tests in place
/// of a widget; the record may be read from any thread.
class RecordingButton : public Button {
public:
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled.load(); }
    std::vector<bool> history() const;
    int offMainThreadCalls() const { return m_offMain.load(); }

private:
    mutable QMutex m_mutex;
    std::atomic<bool> m_enabled{true};
    std::vector<bool> m_history;
    std::atomic<int> m_offMain{0};
};
