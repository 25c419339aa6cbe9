#include "MainWindowWindow.h"

#include "DialogPanel.h"
#include "MessageBoxAlertPresenter.h"
#include "core/MainThread.h"

#include <QDialog>
#include <QMessageBox>

MainWindowWindow::MainWindowWindow(QWidget* window) : m_window(window)
{
    Q_ASSERT(m_window);
}

void MainWindowWindow::beginAlertSheet(const Alert& alert)
{
    Q_ASSERT(MainThread::isCurrent());
    QMessageBox* box = MessageBoxAlertPresenter::messageBox(alert, m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void MainWindowWindow::beginSheet(Panel& sheet)
{
    Q_ASSERT(MainThread::isCurrent());
    auto* panel = dynamic_cast<DialogPanel*>(&sheet);
    if (!panel) {
        sheet.makeKeyAndOrderFront();
        return;
    }
    QDialog* dialog = panel->dialog();
    // Window modality binds a dialog to its parent window.
    if (dialog->parentWidget() != m_window)
        dialog->setParent(m_window, dialog->windowFlags() | Qt::Dialog);
    // open() is the window-modal show that returns at once; hiding the
    // dialog later gives it back its earlier modality.
    dialog->open();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindowWindow::endSheet(Panel& sheet, int returnCode)
{
    Q_ASSERT(MainThread::isCurrent());
    if (auto* panel = dynamic_cast<DialogPanel*>(&sheet))
        panel->dialog()->setResult(returnCode);
}

void MainWindowWindow::endEditing()
{
    Q_ASSERT(MainThread::isCurrent());
    if (QWidget* focused = m_window->focusWidget())
        focused->clearFocus();
}
