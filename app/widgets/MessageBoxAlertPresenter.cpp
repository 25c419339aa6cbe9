#include "MessageBoxAlertPresenter.h"

#include "core/MainThread.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace {
// Each button carries the response it answers with.
const char* const kResponse = "alertResponse";

QMessageBox::Icon iconFor(Alert::Style style)
{
    switch (style) {
    case Alert::Style::Informational:
        return QMessageBox::Information;
    case Alert::Style::Critical:
        return QMessageBox::Critical;
    case Alert::Style::Warning:
        break;
    }
    return QMessageBox::Warning;
}
} // namespace

QMessageBox* MessageBoxAlertPresenter::messageBox(const Alert& alert, QWidget* parent)
{
    Q_ASSERT(MainThread::isCurrent());
    auto* box = new QMessageBox(parent);
    box->setIcon(iconFor(alert.style));
    box->setWindowTitle(QApplication::applicationName());
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    const QStringList titles =
        alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    for (int i = 0; i < titles.size(); ++i) {
        QPushButton* button =
            box->addButton(titles[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        button->setProperty(kResponse, Alert::FirstButtonReturn + i);
        if (i == 0)
            box->setDefaultButton(button);
        if (i == titles.size() - 1)
            box->setEscapeButton(button);
    }
    return box;
}

int MessageBoxAlertPresenter::runModal(const Alert& alert)
{
    Q_ASSERT(MainThread::isCurrent());
    std::unique_ptr<QMessageBox> box(messageBox(alert, QApplication::activeWindow()));
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
    QAbstractButton* clicked = box->clickedButton();
    return clicked ? clicked->property(kResponse).toInt() : Alert::FirstButtonReturn;
}
