#pragma once

#include "Alert.h"

class AlertPresenter;

/// Application-modal alerts from any thread.
///
/// The front end installs its presenter at start. run() performs the alert on
/// the main thread and blocks the calling thread until the user has answered;
/// on the main thread it runs directly. Without a presenter the alert is
/// written to the system log and answered with the first button, so a
/// headless process never hangs on a question nobody can see.
class ModalAlert {
public:
    static void setPresenter(AlertPresenter* presenter);
    static AlertPresenter* presenter();
    static int run(const Alert& alert);
};
