#pragma once

#include <QObject>

#include <functional>

class QWidget;

/// Answers windows that block the main thread (modal dialogs, message
/// boxes): each time a window of the application is shown, the handler runs
/// with it from the event loop that the window runs, once the window is up.
/// Watches while it exists. Main thread only.
class WhenShown : public QObject {
    Q_OBJECT
public:
    explicit WhenShown(std::function<void(QWidget* window)> handler);
    ~WhenShown() override;

    int windowsShown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QWidget*)> m_handler;
    int m_shown = 0;
};
