#pragma once

#include "ui/Window.h"

#include <QMutex>

#include <atomic>
#include <vector>

class Panel;

/// A main window that remembers the alert sheets put up on it, the panel
/// shown as its sheet and the return codes its sheets ended with. Used by
/// tests in place of a widget; the record may be read from any thread.
class RecordingWindow : public Window {
public:
    void beginAlertSheet(const Alert& alert) override;
    void beginSheet(Panel& sheet) override;
    void endSheet(Panel& sheet, int returnCode) override;
    void endEditing() override { ++m_endEditing; }

    std::vector<Alert> alertSheets() const;
    int endEditingCalls() const { return m_endEditing.load(); }
    Panel* currentSheet() const;
    std::vector<int> sheetReturnCodes() const;

private:
    mutable QMutex m_mutex;
    std::vector<Alert> m_alerts;
    Panel* m_sheet = nullptr;
    std::vector<int> m_returnCodes;
    std::atomic<int> m_endEditing{0};
};
