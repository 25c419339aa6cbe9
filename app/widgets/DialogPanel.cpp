#include "DialogPanel.h"

#include "core/MainThread.h"

#include <QDialog>

DialogPanel::DialogPanel(QDialog* dialog) : m_dialog(dialog)
{
    Q_ASSERT(m_dialog);
}

void DialogPanel::makeKeyAndOrderFront()
{
    Q_ASSERT(MainThread::isCurrent());
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void DialogPanel::orderOut()
{
    Q_ASSERT(MainThread::isCurrent());
    m_dialog->hide();
}

bool DialogPanel::isVisible() const
{
    Q_ASSERT(MainThread::isCurrent());
    return m_dialog->isVisible();
}
