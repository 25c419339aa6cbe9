#include "SearchPaths.h"

#include <QDir>
#include <QStandardPaths>

#include <mutex>

namespace {

std::mutex g_rootMutex;
QString g_localRoot;

QString localRoot()
{
    const std::lock_guard lock(g_rootMutex);
    return g_localRoot;
}

// An XDG base folder: the variable when it holds an absolute path, else the
// default under the home folder.
QString xdgFolder(const char* variable, const QString& defaultUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1Char('/') + defaultUnderHome;
}

QString userFolder(SearchPaths::Directory directory)
{
    switch (directory) {
    case SearchPaths::Directory::Library:
        return xdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state"));
    case SearchPaths::Directory::Applications:
        return QDir::homePath() + QStringLiteral("/Applications");
    case SearchPaths::Directory::Downloads:
        return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    }
    return {};
}

QString localFolder(SearchPaths::Directory directory)
{
    switch (directory) {
    case SearchPaths::Directory::Library:
        return localRoot() + QStringLiteral("/usr/local/share");
    case SearchPaths::Directory::Applications:
        return localRoot() + QStringLiteral("/opt");
    case SearchPaths::Directory::Downloads:
        return {};
    }
    return {};
}

} // namespace

QString SearchPaths::forDirectory(Directory directory, Domain domain)
{
    if (domain == UserDomain)
        return userFolder(directory);
    if (domain == LocalDomain)
        return localFolder(directory);
    return {};
}

QStringList SearchPaths::forDirectory(Directory directory, int domains)
{
    QStringList folders;
    for (const Domain domain : {UserDomain, LocalDomain}) {
        if (!(domains & domain))
            continue;
        const QString folder = forDirectory(directory, domain);
        if (!folder.isEmpty())
            folders.append(folder);
    }
    return folders;
}

void SearchPaths::setLocalDomainRootForTesting(const QString& root)
{
    const std::lock_guard lock(g_rootMutex);
    g_localRoot = QDir::cleanPath(root);
    if (root.isEmpty())
        g_localRoot.clear();
}
