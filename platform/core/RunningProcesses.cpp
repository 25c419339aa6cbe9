#include "RunningProcesses.h"

#include <QDir>
#include <QFile>

bool RunningProcesses::anyExecutableBeginsWith(const QString& prefix)
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isProcess = false;
        entry.toLongLong(&isProcess);
        if (!isProcess)
            continue;
        // Processes of other users give no link: those are not ours to switch to.
        const QString executable =
            QFile::symLinkTarget(QStringLiteral("/proc/") + entry + QStringLiteral("/exe"));
        if (!executable.isEmpty() && executable.startsWith(prefix))
            return true;
    }
    return false;
}
