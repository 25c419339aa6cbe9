#include "ModalAlert.h"

#include "AlertPresenter.h"
#include "core/MainThread.h"
#include "core/SystemLog.h"

#include <atomic>

namespace {
std::atomic<AlertPresenter*> g_presenter{nullptr};
}

void ModalAlert::setPresenter(AlertPresenter* presenter)
{
    g_presenter.store(presenter);
}

AlertPresenter* ModalAlert::presenter()
{
    return g_presenter.load();
}

int ModalAlert::run(const Alert& alert)
{
    int response = Alert::FirstButtonReturn;
    MainThread::performAndWait([&] {
        AlertPresenter* presenter = g_presenter.load();
        if (!presenter) {
            SystemLog::log(alert.messageText + QStringLiteral(": ") + alert.informativeText);
            return;
        }
        response = presenter->runModal(alert);
    });
    return response;
}
