#include "RecordingOpenPanel.h"

void RecordingOpenPanel::script(std::deque<Answer> answers)
{
    QMutexLocker lock(&m_mutex);
    m_script = std::move(answers);
}

int RecordingOpenPanel::runModal(const Options& options, QUrl* chosen)
{
    QMutexLocker lock(&m_mutex);
    m_shown.push_back(options);
    if (m_script.empty())
        return Cancel;
    const Answer answer = m_script.front();
    m_script.pop_front();
    if (answer.response == OK && chosen)
        *chosen = answer.url;
    return answer.response;
}

std::vector<OpenPanel::Options> RecordingOpenPanel::shown() const
{
    QMutexLocker lock(&m_mutex);
    return m_shown;
}
