#pragma once

#include <QString>
#include <QStringList>

#include <memory>

struct CapturedLines;

/// The system log: each call writes one line to syslog(3), with the bundle
/// name as identity, and mirrors it to standard error.
///
/// Thread-safe. A Capture collects the lines written while it exists, so
/// tests can assert on them.
class SystemLog {
public:
    static void log(const QString& line);
    /// Silences the standard-error mirror (captures still see every line).
    static void setMirrorToStandardError(bool on);

    class Capture {
    public:
        Capture();
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

        QStringList lines() const;
        bool contains(const QString& line) const;
        int count(const QString& line) const;
        void clear();

    private:
        friend class SystemLog;
        void append(const QString& line);
        std::unique_ptr<CapturedLines> m_lines;
    };
};
