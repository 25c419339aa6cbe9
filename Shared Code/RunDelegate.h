#pragma once

#include "ui/Alert.h"
#include "ui/ModalAlert.h"

#include <QString>
#include <QUrl>
#include <QVariant>

/// What a run sees of the application delegate: the settings it reads, the
/// window it reports to and the questions it may ask the user.
///
/// The application delegate implements it; the data-access layer and the
/// engine hold it for the length of one run and call it from the run's
/// thread. Setting reads may come from any thread and return whole values.
/// The window updates (status, file name, progress, scan button) may be
/// called from any thread: the implementation forwards them to the main
/// thread without waiting, in the order they were made. showAlert() returns
/// once the sheet is up; showModalAlert() blocks until the user answered.
class RunDelegate {
public:
    virtual ~RunDelegate() = default;

    // Settings, read by the runs.
    virtual bool tagEnabled() const = 0;
    virtual bool trashEnabled() const = 0;
    virtual bool hideEnabled() const = 0;
    virtual bool albumEnabled() const = 0;
    virtual bool externallyReferenced() const = 0;
    virtual QUrl referencedFolder() const = 0;
    virtual float scaleFactor() const = 0;
    virtual QVariant compressionFactor() const = 0;
    virtual bool fixedSize() const = 0;
    virtual QVariant shortSize() const = 0;
    virtual QVariant longSize() const = 0;
    virtual bool shortLocked() const = 0;
    virtual bool longLocked() const = 0;
    virtual qint64 processingOption() const = 0;

    // Run state.
    virtual bool nowProcessing() const = 0;
    virtual void setNowProcessing(bool processing) = 0;

    // The main window, as a run drives it.
    virtual void setStatusText(const QString& text) = 0;
    virtual void setCountText(const QString& text) = 0;
    virtual void setScanButtonEnabled(bool enabled) = 0;
    virtual void setProgressValue(double value) = 0;
    virtual void setProgressMaxValue(double value) = 0;

    /// The run wrote its report to `path`, just before its closing alert.
    /// Front ends that offer the report keep the path; others ignore it.
    virtual void runReportWritten(const QString& path) { (void)path; }

    /// An alert sheet on the main window; returns as soon as it is up.
    virtual void showAlert(const QString& message, const QString& title) = 0;
    /// Asks the user for read access to `path` and returns once granted.
    /// Main thread only (callers perform it there and wait).
    virtual void userSelectedFiles(const QString& path) = 0;

    /// The class-level alert: application-modal, blocks the calling thread
    /// until the user pressed "OK". Needs no delegate instance.
    static void showModalAlert(const QString& message, const QString& title)
    {
        ModalAlert::run(alertWith(message, title));
    }

    /// The alert both forms show: one "OK" button, the title as message text,
    /// the message as informative text, warning style.
    static Alert alertWith(const QString& message, const QString& title)
    {
        Alert alert;
        alert.messageText = title;
        alert.informativeText = message;
        alert.buttons = {QStringLiteral("OK")};
        alert.style = Alert::Style::Warning;
        return alert;
    }
};
