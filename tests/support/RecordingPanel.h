#pragma once

#include "ui/Panel.h"

#include <atomic>

/// A panel that only remembers whether it is ordered in and how often it was
/// brought to the front. Used by tests as a sheet; any thread may read it.
class RecordingPanel : public Panel {
public:
    void makeKeyAndOrderFront() override
    {
        m_visible = true;
        ++m_fronted;
    }
    void orderOut() override { m_visible = false; }
    bool isVisible() const override { return m_visible.load(); }
    int timesBroughtToFront() const { return m_fronted.load(); }

private:
    std::atomic<bool> m_visible{false};
    std::atomic<int> m_fronted{0};
};
