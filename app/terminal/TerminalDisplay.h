#pragma once

#include <QString>

#include <cstdio>

/// What a run shows in a terminal: the status, the current file name and a
/// progress bar redrawn in place on one line; when the output is not a
/// terminal, one plain line per change instead, each with the counter and
/// file name that belong to it. Alerts are printed with their title and
/// text.
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
    /// A line of its own that explains why the run does something.
    void printNote(const QString& text);
    /// Ends the line in progress so other output starts on a fresh one.
    void breakLine();

    bool isInteractive() const { return m_interactive; }
    QString status() const { return m_status; }
    QString fileName() const { return m_fileName; }

private:
    double shownValue() const;
    void render();
    void printPlainLine();

    std::FILE* m_out;
    const bool m_interactive;
    bool m_lineOpen = false;
    QString m_status;
    QString m_fileName;
    double m_max = 0;
    double m_value = 0;
    bool m_valueCurrent = false;
    /// The status under which the current file was named (plain output).
    QString m_itemStatus;
    QString m_lastPlain;
};
