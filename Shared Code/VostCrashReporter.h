#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <stdexcept>

/// A configuration error of the application bundle found by the crash log
/// check: a name and a reason, as the alert or the terminal shows them.
class VostCrashReporterException : public std::runtime_error {
public:
    VostCrashReporterException(QString name, QString reason);
    QString name() const { return m_name; }
    QString reason() const { return m_reason; }

private:
    QString m_name;
    QString m_reason;
};

/// Finds a crash log of this application newer than the last one reported,
/// and has it offered to the user. Class-level operations only.
///
/// Crash logs live in `Logs/DiagnosticReports` under the user domain's
/// library folder, else the machine's. The date of the last report is kept
/// in the defaults store. Main thread (the check may open a window).
class VostCrashReporter {
public:
    struct Offer {
        QString crashLogPath;
        QUrl submissionURL;
    };
    /// Shows an offer: the window front end opens the report window, the
    /// terminal front end prints a line.
    using Presenter = std::function<void(const Offer& offer)>;

    /// At most one folder: the first of the user's and the machine's
    /// crash-log folders that exists and is a folder.
    static QStringList crashLogDirectories();
    /// Every entry below those folders whose path relative to its folder
    /// begins with the bundle name, in walk order (names sorted, each
    /// folder's entries before the next name).
    static QStringList crashLogPaths();
    /// The submission address: defaults first, then the bundle's
    /// information property list. Throws VostCrashReporterException when
    /// both lack it or it is not an http(s) address.
    static QUrl submissionURL();
    /// The check without presenting: stores the current moment as the last
    /// report date on the first launch ever, then returns the first file
    /// among crashLogPaths() modified strictly after that date. Throws as
    /// submissionURL().
    static std::optional<Offer> findNewCrashLog();
    /// findNewCrashLog(), then hands the offer to the presenter.
    static void checkForNewCrashes();

    static void setPresenter(Presenter presenter);

    /// The user's crash-log folder: where this process writes its logs.
    static QString userCrashLogFolder();
    /// Installs the crash log writer of this process for the main bundle;
    /// false (logged) when the folder cannot be made.
    static bool installCrashLogWriter();
};
