#include "ApplicationMover.h"

#include "DesktopEntry.h"
#include "MoveAlerts.h"
#include "MoveToApplicationsFolder.h"
#include "core/AdministratorShell.h"
#include "core/Bundle.h"
#include "core/DiskImages.h"
#include "core/FileManager.h"
#include "core/RunningProcesses.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"

#include <QFileInfo>
#include <QProcess>

#include <cstdio>

#include <syslog.h>
#include <unistd.h>

namespace {

const QString kSuppressKey = QStringLiteral("moveToApplicationsFolderAlertSuppress");
// What browsers and download tools record about where a file came from.
const QStringList kOriginAttributes = {QStringLiteral("user.xdg.origin.url"),
                                       QStringLiteral("user.xdg.referrer.url")};

// The walk over the disk image listing: images, their entities, each
// entity's device. Anything of another shape ends the walk with no device.
QString deviceInListing(const QVariantMap& listing, const QString& candidate)
{
    const QVariant images = listing.value(QStringLiteral("images"));
    if (images.typeId() != QMetaType::QVariantList)
        return {};
    for (const QVariant& image : images.toList()) {
        if (image.typeId() != QMetaType::QVariantMap)
            return {};
        const QVariant entities = image.toMap().value(QStringLiteral("system-entities"));
        if (entities.typeId() != QMetaType::QVariantList)
            return {};
        for (const QVariant& entity : entities.toList()) {
            if (entity.typeId() != QMetaType::QVariantMap)
                return {};
            const QVariant device = entity.toMap().value(QStringLiteral("dev-entry"));
            if (device.typeId() != QMetaType::QString)
                return {};
            if (device.toString() == candidate)
                return candidate;
        }
    }
    return {};
}

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

} // namespace

ApplicationMover::ApplicationMover()
    : m_bundlePath(Bundle::main().bundlePath()), m_processIdentifier(::getpid()), m_endProcess([] {
          // The event loop has not started: nothing is pending but buffered
          // output. The settings store writes each change as it is made.
          std::fflush(nullptr);
          ::closelog();
          ::_exit(0);
      })
{}

void ApplicationMover::offer()
{
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.boolForKey(kSuppressKey) || MovePlan::isInstalled(m_bundlePath))
        return;
    const QString diskImageDevice = findDiskImageDevice(m_bundlePath);
    const MovePlan plan(m_bundlePath);

    const MoveAlerts::Answer answer =
        MoveAlerts::askToMove(plan.messageText(), plan.informativeText());
    if (!answer.move) {
        if (answer.suppressFromNowOn)
            defaults.setValue(true, kSuppressKey);
        return;
    }
    SystemLog::log(QStringLiteral("INFO -- Moving myself to the Applications folder"));

    switch (plan.needsRights() ? installAsAdministrator(plan) : installDirectly(plan)) {
    case Install::Done:
        finishInstall(plan, diskImageDevice);
        return;
    case Install::Switched:
    case Install::Cancelled:
        return;
    case Install::Failed:
        MoveAlerts::showFailure();
        return;
    }
}

QString ApplicationMover::findDiskImageDevice(const QString& bundlePath)
{
    const QString candidate = DiskImages::deviceHolding(QFileInfo(bundlePath).absolutePath());
    if (candidate.isEmpty())
        return {};
    return deviceInListing(DiskImages::info(), candidate);
}

ApplicationMover::Install ApplicationMover::installAsAdministrator(const MovePlan& plan)
{
    const QString destination = plan.destinationPath();
    const QString source = plan.bundlePath();
    Install result = Install::Failed;
    if (destination.endsWith(QLatin1String(".app")) && !isBlank(destination) && !isBlank(source)) {
        // One authentication for both steps. The old copy's removal may fail
        // harmlessly (there may be none); a copy that fails leaves no half
        // bundle behind.
        const QString script =
            QStringLiteral("/bin/rm -rf %1; /bin/cp -pR %2 %1 || { /bin/rm -rf %1; exit 1; }")
                .arg(quoteForShell(destination), quoteForShell(source));
        switch (AdministratorShell::run(script)) {
        case AdministratorShell::Outcome::Succeeded:
            result = Install::Done;
            break;
        case AdministratorShell::Outcome::Cancelled:
            result = Install::Cancelled;
            break;
        case AdministratorShell::Outcome::Failed:
            break;
        }
    }
    if (result == Install::Cancelled)
        SystemLog::log(QStringLiteral("INFO -- Not moving because user canceled authorization"));
    if (result == Install::Failed)
        SystemLog::log(
            QStringLiteral("ERROR -- Could not copy myself to /Applications with authorization"));
    return result;
}

ApplicationMover::Install ApplicationMover::installDirectly(const MovePlan& plan)
{
    const QString destination = plan.destinationPath();
    if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink()) {
        // Inside the bundle's folder: a "Tolvane.app 2" beside it is another copy.
        if (RunningProcesses::anyExecutableBeginsWith(destination + QLatin1Char('/'))) {
            switchToRunningCopy(destination);
            return Install::Switched;
        }
        if (!moveItemToTrash(destination))
            return Install::Failed;
    }
    const Result<void> copied = FileManager::copyItem(plan.bundlePath(), destination);
    if (copied)
        return Install::Done;
    SystemLog::log(QStringLiteral("ERROR -- Could not copy '%1' to '%2' (%3)")
                       .arg(plan.bundlePath(), destination, copied.error()));
    SystemLog::log(QStringLiteral("ERROR -- Could not copy myself to %1").arg(destination));
    return Install::Failed;
}

void ApplicationMover::switchToRunningCopy(const QString& destination)
{
    SystemLog::log(QStringLiteral("INFO -- Switching to an already running version"));
    // Opened as the desktop opens an application: its main executable, in a
    // session of its own.
    QProcess::startDetached(Bundle(destination).executablePath(), {});
    m_endProcess();
}

void ApplicationMover::finishInstall(const MovePlan& plan, const QString& diskImageDevice)
{
    if (diskImageDevice.isEmpty())
        removeOriginal();
    const QString destination = plan.destinationPath();
    FileManager::removeExtendedAttributes(destination, kOriginAttributes);
    DesktopEntry::writeForBundle(destination);
    startRelaunch(destination);
    if (!diskImageDevice.isEmpty())
        startDetach(diskImageDevice);
    m_endProcess();
}

void ApplicationMover::removeOriginal()
{
    const Result<void> removed = FileManager::removeItem(m_bundlePath);
    if (removed)
        return;
    SystemLog::log(
        QStringLiteral("WARNING -- Could not delete '%1': %2").arg(m_bundlePath, removed.error()));
    if (!moveItemToTrash(m_bundlePath))
        SystemLog::log(QStringLiteral(
            "WARNING -- Could not delete application after moving it to Applications folder"));
}

void ApplicationMover::startRelaunch(const QString& destination)
{
    // Waits for this process to end, then starts the copy in a session of
    // its own. Written for any POSIX shell, dash included.
    const QString script =
        QStringLiteral("(while kill -0 %1 >/dev/null 2>&1; do /bin/sleep 0.1; done;"
                       " /usr/bin/setsid -f %2 </dev/null >/dev/null 2>&1) </dev/null >/dev/null "
                       "2>&1 &")
            .arg(m_processIdentifier)
            .arg(quoteForShell(Bundle(destination).executablePath()));
    QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
}

void ApplicationMover::startDetach(const QString& device)
{
    const QString script =
        QStringLiteral("(/bin/sleep 5 && %1) </dev/null >/dev/null 2>&1 &")
            .arg(DiskImages::detachCommand(quoteForShell(device),
                                           quoteForShell(DiskImages::wholeDevice(device))));
    QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
}
