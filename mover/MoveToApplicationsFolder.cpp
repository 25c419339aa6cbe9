#include "MoveToApplicationsFolder.h"

#include "ApplicationMover.h"
#include "core/FileManager.h"
#include "core/SystemLog.h"

void offerToMoveToApplicationsFolder()
{
    ApplicationMover().offer();
}

bool moveItemToTrash(const QString& path)
{
    if (FileManager::recycleItem(path))
        return true;
    SystemLog::log(QStringLiteral("ERROR -- Could not trash '%1'").arg(path));
    return false;
}

QString quoteForShell(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QStringLiteral("'%1'").arg(quoted);
}
