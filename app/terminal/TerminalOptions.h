#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

/// The terminal front end's command line: each flag overrides one setting of
/// the defaults store for this run only.
///
/// parse() is pure: it turns the arguments into settings overrides, or says
/// what is wrong with them.
class TerminalOptions {
public:
    /// What to do with a new crash log instead of running.
    enum class CrashReportAction { None, Send, Ignore, Discard };

    /// The defaults keys and values the flags ask for.
    QVariantMap overrides;
    /// The folder for externally referenced JPEGs (--referenced DIR).
    QString referencedFolder;
    bool helpRequested = false;
    /// --estimate: measure the savings instead of converting.
    bool estimate = false;
    /// --sample N: the estimate renders N images evenly spread; every image
    /// when not given.
    qint64 sampleSize = 0;
    CrashReportAction crashReportAction = CrashReportAction::None;
    /// Empty when the arguments are good.
    QString error;

    static TerminalOptions parse(const QStringList& arguments);
    static QString helpText(const QString& program);
};
