#pragma once

#include "TerminalOptions.h"

#include <QString>
#include <QUrl>

#include <cstdio>
#include <optional>

/// The terminal front end's side of crash reporting: at start it looks for
/// a new crash log by the same rules as the window, names it in one line
/// and, when a crash report flag asks, sends, ignores or discards it.
///
/// Main thread, before the run. handle() returns the exit status when the
/// process should end now (a flag was given, or the crash report address is
/// missing or malformed), and nothing when the run goes on.
class TerminalCrashReport {
public:
    TerminalCrashReport(QString program, std::FILE* out, std::FILE* err);

    std::optional<int> handle(TerminalOptions::CrashReportAction action);

private:
    int send(const QString& path, const QUrl& url);
    int discard(const QString& path);

    QString m_program;
    std::FILE* m_out;
    std::FILE* m_err;
};
