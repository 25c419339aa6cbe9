#pragma once

#include "MovePlan.h"

#include <QString>

#include <functional>

/// One offer to move the running bundle into an Applications folder: asks,
/// copies (as administrator where the folder is not writable), removes the
/// original unless it lies on a disk image, arranges the relaunch of the copy
/// once this process has ended, and ends the process.
///
/// Made and run once by offerToMoveToApplicationsFolder(), on the main
/// thread, before launching finishes. Failures are logged ("INFO -- ",
/// "WARNING -- ", "ERROR -- ") and told in an alert; the application then
/// goes on where it is.
class ApplicationMover {
public:
    ApplicationMover();
    void offer();

private:
    friend class ApplicationMoverTest;
    enum class Install { Done, Cancelled, Failed, Switched };

    static QString findDiskImageDevice(const QString& bundlePath);
    static Install installAsAdministrator(const MovePlan& plan);
    Install installDirectly(const MovePlan& plan);
    void switchToRunningCopy(const QString& destination);
    void finishInstall(const MovePlan& plan, const QString& diskImageDevice);
    void removeOriginal();
    void startRelaunch(const QString& destination);
    static void startDetach(const QString& device);

    QString m_bundlePath;
    // The process the relaunch waits for, and how it ends: this one, here;
    // tests put in processes of their own.
    qint64 m_processIdentifier;
    std::function<void()> m_endProcess;
};
