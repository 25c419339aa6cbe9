#include "RecordingOutlets.h"

#include "core/MainThread.h"

#include <QCoreApplication>
#include <QThread>

namespace {
void countIfOffMain(std::atomic<int>& counter)
{
    if (!MainThread::isCurrent())
        ++counter;
}
} // namespace

void RecordingTextField::setStringValue(const QString& text)
{
    countIfOffMain(m_offMain);
    QMutexLocker lock(&m_mutex);
    m_value = text;
    m_history.append(text);
}

QString RecordingTextField::stringValue() const
{
    QMutexLocker lock(&m_mutex);
    return m_value;
}

QStringList RecordingTextField::history() const
{
    QMutexLocker lock(&m_mutex);
    return m_history;
}

void RecordingButton::setEnabled(bool enabled)
{
    countIfOffMain(m_offMain);
    QMutexLocker lock(&m_mutex);
    m_enabled = enabled;
    m_history.push_back(enabled);
}

std::vector<bool> RecordingButton::history() const
{
    QMutexLocker lock(&m_mutex);
    return m_history;
}

void RecordingProgressIndicator::record(Event::Kind kind, double value)
{
    countIfOffMain(m_offMain);
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

void RecordingWindow::beginAlertSheet(const Alert& alert)
{
    QMutexLocker lock(&m_mutex);
    m_alerts.push_back(alert);
}

void RecordingWindow::beginSheet(Panel& sheet)
{
    sheet.makeKeyAndOrderFront();
    QMutexLocker lock(&m_mutex);
    m_sheet = &sheet;
}

void RecordingWindow::endSheet(Panel& sheet, int returnCode)
{
    QMutexLocker lock(&m_mutex);
    if (m_sheet == &sheet)
        m_sheet = nullptr;
    m_returnCodes.push_back(returnCode);
}

std::vector<Alert> RecordingWindow::alertSheets() const
{
    QMutexLocker lock(&m_mutex);
    return m_alerts;
}

Panel* RecordingWindow::currentSheet() const
{
    QMutexLocker lock(&m_mutex);
    return m_sheet;
}

std::vector<int> RecordingWindow::sheetReturnCodes() const
{
    QMutexLocker lock(&m_mutex);
    return m_returnCodes;
}

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
