#pragma once

#include <QString>

#include <cstdio>

/// What a run shows in a terminal: the status, the current file name and a
/// progress bar redrawn in place on one line; when the output is not a
/// terminal, one plain line per change instead. Alerts are printed with
/// their title and text.
///
/// Main thread only (the delegate forwards every update there).
class TerminalDisplay {
public:
    explicit TerminalDisplay(std::FILE* out, bool interactive);

    void setStatus(const QString& status);
    void setFileName(const QString& name);
    void setProgressMax(double max);
    void setProgressValue(double value);
    void printAlert(const QString& title, const QString& text);
    /// Ends the line in progress so other output starts on a fresh one.
    void breakLine();

    bool isInteractive() const { return m_interactive; }
    QString status() const { return m_status; }
    QString fileName() const { return m_fileName; }

private:
    void render();
    void printPlainLine();

    std::FILE* m_out;
    const bool m_interactive;
    bool m_lineOpen = false;
    QString m_status;
    QString m_fileName;
    double m_max = 0;
    double m_value = 0;
    QString m_lastPlain;
};
