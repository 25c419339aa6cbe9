#include "FakeRunDelegate.h"

#include <QThread>

bool FakeRunDelegate::nowProcessing() const
{
    QMutexLocker lock(&m_mutex);
    return m_nowProcessing;
}

void FakeRunDelegate::setNowProcessing(bool processing)
{
    QMutexLocker lock(&m_mutex);
    m_nowProcessing = processing;
}

void FakeRunDelegate::setStatusText(const QString& text)
{
    {
        QMutexLocker lock(&m_mutex);
        m_status.append(text);
    }
    if (onStatusText)
        onStatusText(text);
}

void FakeRunDelegate::setCountText(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_count.append(text);
}

void FakeRunDelegate::setScanButtonEnabled(bool enabled)
{
    QMutexLocker lock(&m_mutex);
    m_buttons.push_back(enabled);
}

void FakeRunDelegate::setProgressValue(double value)
{
    QMutexLocker lock(&m_mutex);
    m_progress.push_back(value);
    m_progressSinceMax.push_back(value);
}

void FakeRunDelegate::setProgressMaxValue(double value)
{
    QMutexLocker lock(&m_mutex);
    m_progressMax.push_back(value);
    m_progressSinceMax.clear();
}

std::vector<double> FakeRunDelegate::progressSinceLastMaximum() const
{
    QMutexLocker lock(&m_mutex);
    return m_progressSinceMax;
}

void FakeRunDelegate::runReportWritten(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_reports.append(path);
}

void FakeRunDelegate::showAlert(const QString& message, const QString& title)
{
    {
        QMutexLocker lock(&m_mutex);
        m_sheets.push_back({title, message});
    }
    if (onAlert)
        onAlert(message, title);
}

void FakeRunDelegate::userSelectedFiles(const QString& path)
{
    {
        QMutexLocker lock(&m_mutex);
        m_requests.push_back({path, QThread::currentThread()});
    }
    if (onAccessRequest)
        onAccessRequest(path);
}

QStringList FakeRunDelegate::statusTexts() const
{
    QMutexLocker lock(&m_mutex);
    return m_status;
}

QStringList FakeRunDelegate::countTexts() const
{
    QMutexLocker lock(&m_mutex);
    return m_count;
}

std::vector<double> FakeRunDelegate::progressValues() const
{
    QMutexLocker lock(&m_mutex);
    return m_progress;
}

std::vector<double> FakeRunDelegate::progressMaxValues() const
{
    QMutexLocker lock(&m_mutex);
    return m_progressMax;
}

std::vector<bool> FakeRunDelegate::buttonStates() const
{
    QMutexLocker lock(&m_mutex);
    return m_buttons;
}

QString FakeRunDelegate::lastStatus() const
{
    QMutexLocker lock(&m_mutex);
    return m_status.isEmpty() ? QString() : m_status.last();
}

QString FakeRunDelegate::lastCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_count.isEmpty() ? QString() : m_count.last();
}

double FakeRunDelegate::lastProgress() const
{
    QMutexLocker lock(&m_mutex);
    return m_progress.empty() ? -1 : m_progress.back();
}

std::vector<FakeRunDelegate::Sheet> FakeRunDelegate::sheets() const
{
    QMutexLocker lock(&m_mutex);
    return m_sheets;
}

std::vector<FakeRunDelegate::AccessRequest> FakeRunDelegate::accessRequests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QStringList FakeRunDelegate::reportPaths() const
{
    QMutexLocker lock(&m_mutex);
    return m_reports;
}
