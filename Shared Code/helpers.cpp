#include "helpers.h"

#include "RunDelegate.h"
#include "core/MainThread.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

void helpers::deleteFile(const QString& path)
{
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        QDir(path).removeRecursively();
        return;
    }
    QFile::remove(path);
}

bool helpers::fileReadable(const QString& path)
{
    return !path.isEmpty() && ::access(QFile::encodeName(path).constData(), R_OK) == 0;
}

QString helpers::accessRequestPath(const QString& path)
{
    for (const QLatin1String package :
         {QLatin1String(".aplibrary"), QLatin1String(".photolibrary")}) {
        const qsizetype at = path.indexOf(package, 0, Qt::CaseSensitive);
        if (at >= 0)
            return path.left(at + package.size());
    }
    return path;
}

bool helpers::fileExists(const QString& path, RunDelegate* appDelegate)
{
    if (path.isNull())
        return false;
    if (!QFileInfo::exists(path))
        return false;
    if (fileReadable(path))
        return true;
    const QString item = accessRequestPath(path);
    if (appDelegate)
        MainThread::performAndWait([appDelegate, item] { appDelegate->userSelectedFiles(item); });
    return fileReadable(path);
}
