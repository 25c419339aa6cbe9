#pragma once

#include "Alert.h"

/// Shows application-modal alerts. runModal() is called on the main thread
/// and returns when the user has answered, with the response of the button
/// pressed (Alert::FirstButtonReturn for the first).
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    virtual int runModal(const Alert& alert) = 0;
};
