#pragma once

#include "ui/OpenPanel.h"

#include <QMutex>

#include <deque>
#include <vector>

/// Open panels for tests, answered from a script of responses; once the
/// script is used up every further panel is cancelled. Remembers the options
/// each panel was shown with. Thread-safe.
class RecordingOpenPanel : public OpenPanel {
public:
    struct Answer {
        int response;
        QUrl url;
    };
    void script(std::deque<Answer> answers);
    int runModal(const Options& options, QUrl* chosen) override;
    std::vector<Options> shown() const;

private:
    mutable QMutex m_mutex;
    std::deque<Answer> m_script;
    std::vector<Options> m_shown;
};
