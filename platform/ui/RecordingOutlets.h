#pragma once

#include "AlertPresenter.h"
#include "Button.h"
#include "OpenPanel.h"
#include "Panel.h"
#include "ProgressIndicator.h"
#include "TextField.h"
#include "Window.h"

#include <QMutex>
#include <QStringList>

#include <atomic>
#include <deque>
#include <vector>

/// Outlets that remember what was done to them, for tests and for the
/// scripted front end. Each records every change in order and counts calls
/// that arrived off the main thread (which a correct delegate never makes).
/// The records may be read from any thread.

class RecordingTextField : public TextField {
public:
    void setStringValue(const QString& text) override;
    QString stringValue() const override;
    void endEditing() override { ++m_endEditing; }
    int endEditingCalls() const { return m_endEditing.load(); }
    QStringList history() const;
    int offMainThreadCalls() const { return m_offMain.load(); }

private:
    mutable QMutex m_mutex;
    QString m_value;
    QStringList m_history;
    std::atomic<int> m_offMain{0};
    std::atomic<int> m_endEditing{0};
};

class RecordingButton : public Button {
public:
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled.load(); }
    std::vector<bool> history() const;
    int offMainThreadCalls() const { return m_offMain.load(); }

private:
    mutable QMutex m_mutex;
    std::atomic<bool> m_enabled{true};
    std::vector<bool> m_history;
    std::atomic<int> m_offMain{0};
};

class RecordingProgressIndicator : public ProgressIndicator {
public:
    struct Event {
        enum class Kind { Max, Value, Indeterminate } kind;
        double value;
    };
    void setMaxValue(double value) override;
    double maxValue() const override;
    void setDoubleValue(double value) override;
    double doubleValue() const override;
    void setIndeterminate(bool indeterminate) override;
    bool isIndeterminate() const override;
    std::vector<Event> history() const;
    int offMainThreadCalls() const { return m_offMain.load(); }

private:
    void record(Event::Kind kind, double value);
    mutable QMutex m_mutex;
    double m_max = 100;
    double m_value = 0;
    bool m_indeterminate = true;
    std::vector<Event> m_history;
    std::atomic<int> m_offMain{0};
};

class RecordingPanel : public Panel {
public:
    void makeKeyAndOrderFront() override
    {
        m_visible = true;
        ++m_fronted;
    }
    void orderOut() override { m_visible = false; }
    bool isVisible() const override { return m_visible.load(); }
    int timesBroughtToFront() const { return m_fronted.load(); }

private:
    std::atomic<bool> m_visible{false};
    std::atomic<int> m_fronted{0};
};

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

/// Application-modal alerts. In automatic mode each alert is answered with
/// the first button at once; in manual mode runModal() keeps the main thread's
/// event loop turning until answer() is called, as a real modal alert does.
class RecordingAlertPresenter : public AlertPresenter {
public:
    explicit RecordingAlertPresenter(bool automatic = true) : m_automatic(automatic) {}
    int runModal(const Alert& alert) override;

    /// Answers the alert being shown (manual mode). Any thread.
    void answer(int response = Alert::FirstButtonReturn);
    std::vector<Alert> alerts() const;
    /// Number of alerts up and not yet answered.
    int showing() const { return m_showing.load(); }

private:
    const bool m_automatic;
    mutable QMutex m_mutex;
    std::vector<Alert> m_alerts;
    std::atomic<int> m_showing{0};
    std::atomic<int> m_pendingAnswer{0};
};

/// Open panels answered from a script of responses; once the script is used
/// up every further panel is cancelled.
class RecordingOpenPanel : public OpenPanel {
public:
    struct Answer {
        int response;
        QUrl url;
    };
    void script(std::deque<Answer> answers);
    int runModal(const Options& options, QUrl* chosen) override;
    std::vector<Options> shown() const;

private:
    mutable QMutex m_mutex;
    std::deque<Answer> m_script;
    std::vector<Options> m_shown;
};
