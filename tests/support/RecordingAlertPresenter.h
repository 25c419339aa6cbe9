#pragma once

#include "ui/AlertPresenter.h"

#include <QMutex>

#include <atomic>
#include <vector>

/// Application-modal alerts for tests, remembered in order. In automatic
/// mode each alert is answered with the first button at once; in manual mode
/// runModal() keeps the main thread's event loop turning until answer() is
/// called, as a real modal alert does.
class RecordingAlertPresenter : public AlertPresenter {
public:
    explicit RecordingAlertPresenter(bool automatic = true) : m_automatic(automatic) {}
    int runModal(const Alert& alert) override;

    /// Answers the alert being shown (manual mode). Any thread.
    void answer(int response = Alert::FirstButtonReturn);
    std::vector<Alert> alerts() const;
    /// Number of alerts up and not yet answered.
    int showing() const { return m_showing.load(); }

private:
    const bool m_automatic;
    mutable QMutex m_mutex;
    std::vector<Alert> m_alerts;
    std::atomic<int> m_showing{0};
    std::atomic<int> m_pendingAnswer{0};
};
