#include "TestRunDelegate.h"

bool TestRunDelegate::nowProcessing() const
{
    QMutexLocker lock(&m_mutex);
    return m_nowProcessing;
}

void TestRunDelegate::setNowProcessing(bool processing)
{
    QMutexLocker lock(&m_mutex);
    m_nowProcessing = processing;
}

void TestRunDelegate::setStatusText(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_status.append(text);
}

void TestRunDelegate::setCountText(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_count.append(text);
}

void TestRunDelegate::setScanButtonEnabled(bool enabled)
{
    QMutexLocker lock(&m_mutex);
    m_buttons.push_back(enabled);
}

void TestRunDelegate::setProgressValue(double value)
{
    QMutexLocker lock(&m_mutex);
    m_progress.push_back(value);
}

void TestRunDelegate::setProgressMaxValue(double) {}

void TestRunDelegate::showAlert(const QString& message, const QString& title)
{
    QMutexLocker lock(&m_mutex);
    m_sheets.push_back({title, message});
}

void TestRunDelegate::userSelectedFiles(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(path);
}

QStringList TestRunDelegate::statusTexts() const
{
    QMutexLocker lock(&m_mutex);
    return m_status;
}

QStringList TestRunDelegate::countTexts() const
{
    QMutexLocker lock(&m_mutex);
    return m_count;
}

std::vector<double> TestRunDelegate::progressValues() const
{
    QMutexLocker lock(&m_mutex);
    return m_progress;
}

std::vector<bool> TestRunDelegate::buttonStates() const
{
    QMutexLocker lock(&m_mutex);
    return m_buttons;
}

std::vector<TestRunDelegate::Sheet> TestRunDelegate::sheets() const
{
    QMutexLocker lock(&m_mutex);
    return m_sheets;
}

QStringList TestRunDelegate::accessRequests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

double TestRunDelegate::lastProgress() const
{
    QMutexLocker lock(&m_mutex);
    return m_progress.empty() ? -1 : m_progress.back();
}
