#pragma once

#include "TerminalDisplay.h"
#include "ui/AlertPresenter.h"
#include "ui/Button.h"
#include "ui/OpenPanel.h"
#include "ui/ProgressIndicator.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <QStringList>

#include <cstdio>

/// The delegate's outlets in a terminal: labels and the progress bar feed a
/// TerminalDisplay, alerts are printed (the application-modal one waits for
/// Enter when a person is at the terminal), and open panels ask for a path
/// on the terminal. Without a terminal, or once its input has ended,
/// questions are answered on their own: alerts with OK, the read-access
/// request with its starting folder, the output folder question with the
/// folder given on the command line; without one, it says why nothing runs.
///
/// Main thread only; owns the adapters it hands to the delegate.
class TerminalOutlets {
public:
    TerminalOutlets(TerminalDisplay& display, std::FILE* in, QString presetFolder);

    TextField* selectedLabel() { return &m_selected; }
    TextField* statusLabel() { return &m_status; }
    TextField* countLabel() { return &m_count; }
    ProgressIndicator* progressIndicator() { return &m_progress; }
    Button* scanButton() { return &m_button; }
    Window* window() { return &m_window; }
    AlertPresenter* alertPresenter() { return &m_presenter; }
    OpenPanel* openPanel() { return &m_panel; }

    /// The titles of every alert shown so far, in order.
    QStringList alertTitles() const { return m_window.titles + m_presenter.titles; }
    bool sawAlertTitled(const QString& title) const { return alertTitles().contains(title); }

private:
    class Label : public TextField {
    public:
        enum class Role { Plain, Status, FileName };
        Label(TerminalDisplay& display, Role role) : m_display(display), m_role(role) {}
        void setStringValue(const QString& text) override;
        QString stringValue() const override { return m_text; }

    private:
        TerminalDisplay& m_display;
        Role m_role;
        QString m_text;
    };
    class Progress : public ProgressIndicator {
    public:
        explicit Progress(TerminalDisplay& display) : m_display(display) {}
        void setMaxValue(double value) override;
        double maxValue() const override { return m_max; }
        void setDoubleValue(double value) override;
        double doubleValue() const override { return m_value; }
        void setIndeterminate(bool indeterminate) override { m_indeterminate = indeterminate; }
        bool isIndeterminate() const override { return m_indeterminate; }

    private:
        TerminalDisplay& m_display;
        double m_max = 0;
        double m_value = 0;
        bool m_indeterminate = true;
    };
    class ScanButton : public Button {
    public:
        void setEnabled(bool enabled) override { m_enabled = enabled; }
        bool isEnabled() const override { return m_enabled; }

    private:
        bool m_enabled = true;
    };
    class SheetWindow : public Window {
    public:
        explicit SheetWindow(TerminalDisplay& display) : m_display(display) {}
        void beginAlertSheet(const Alert& alert) override;
        void beginSheet(Panel&) override {}
        void endSheet(Panel&, int) override {}
        void endEditing() override {}
        QStringList titles;

    private:
        TerminalDisplay& m_display;
    };
    class Presenter : public AlertPresenter {
    public:
        Presenter(TerminalDisplay& display, std::FILE* in) : m_display(display), m_in(in) {}
        int runModal(const Alert& alert) override;
        QStringList titles;

    private:
        TerminalDisplay& m_display;
        std::FILE* m_in;
    };
    class PathPanel : public OpenPanel {
    public:
        PathPanel(TerminalDisplay& display, std::FILE* in, QString presetFolder)
            : m_display(display), m_in(in), m_presetFolder(std::move(presetFolder))
        {}
        int runModal(const Options& options, QUrl* chosen) override;

    private:
        int answerUnasked(const Options& options, QUrl* chosen);
        void explainMissingOutputFolder();

        TerminalDisplay& m_display;
        std::FILE* m_in;
        QString m_presetFolder;
        bool m_inputEnded = false;
    };

    Label m_selected;
    Label m_status;
    Label m_count;
    Progress m_progress;
    ScanButton m_button;
    SheetWindow m_window;
    Presenter m_presenter;
    PathPanel m_panel;
};
