#include "RecordingWindow.h"

#include "ui/Panel.h"

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
