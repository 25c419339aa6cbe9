#include "RecordingAlertPresenter.h"

#include <QCoreApplication>
#include <QThread>

int RecordingAlertPresenter::runModal(const Alert& alert)
{
    {
        QMutexLocker lock(&m_mutex);
        m_alerts.push_back(alert);
    }
    if (m_automatic)
        return Alert::FirstButtonReturn;
    ++m_showing;
    while (m_pendingAnswer.load() == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    const int response = m_pendingAnswer.exchange(0);
    --m_showing;
    return response;
}

void RecordingAlertPresenter::answer(int response)
{
    m_pendingAnswer.store(response);
}

std::vector<Alert> RecordingAlertPresenter::alerts() const
{
    QMutexLocker lock(&m_mutex);
    return m_alerts;
}
