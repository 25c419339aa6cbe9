#include "AdministratorShell.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

// pkexec's status when the authentication dialog was dismissed.
constexpr int kDialogDismissed = 126;

const QString& pkexecPath()
{
    static const QString path = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    return path;
}

} // namespace

AdministratorShell::Outcome AdministratorShell::run(const QString& script)
{
    const QString& pkexec = pkexecPath();
    if (pkexec.isEmpty())
        return Outcome::Failed;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(pkexec, {QStringLiteral("/bin/sh"), QStringLiteral("-c"), script});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        return Outcome::Failed;
    if (process.exitCode() == kDialogDismissed)
        return Outcome::Cancelled;
    return process.exitCode() == 0 ? Outcome::Succeeded : Outcome::Failed;
}
