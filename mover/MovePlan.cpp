#include "MovePlan.h"

#include "core/SearchPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

bool beginsWithAny(const QString& path, const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (path.startsWith(folder))
            return true;
    }
    return false;
}

bool isWritable(const QString& path)
{
    return QFileInfo(path).isWritable();
}

} // namespace

MovePlan::MovePlan(const QString& bundlePath) : m_bundlePath(bundlePath)
{
    const QString home =
        SearchPaths::forDirectory(SearchPaths::Directory::Applications, SearchPaths::UserDomain);
    if (holdsAnApplication(home)) {
        m_installFolder = QFileInfo(home).canonicalFilePath();
        m_inHomeFolder = true;
    } else {
        // The machine's domain has one Applications folder.
        const QString folder = SearchPaths::forDirectory(SearchPaths::Directory::Applications,
                                                         SearchPaths::LocalDomain);
        // A folder that does not exist keeps its name: the copy then fails there.
        const QString resolved = QFileInfo(folder).canonicalFilePath();
        m_installFolder = resolved.isEmpty() ? folder : resolved;
    }
    m_destinationPath = m_installFolder + QLatin1Char('/') + QFileInfo(bundlePath).fileName();
    m_needsRights = !isWritable(m_installFolder) ||
                    (QFileInfo::exists(m_destinationPath) && !isWritable(m_destinationPath));
}

bool MovePlan::isInstalled(const QString& bundlePath)
{
    const QStringList folders =
        SearchPaths::forDirectory(SearchPaths::Directory::Applications, SearchPaths::AllDomains);
    if (beginsWithAny(bundlePath, folders))
        return true;
    return bundlePath.split(QLatin1Char('/')).contains(QStringLiteral("Applications"));
}

bool MovePlan::holdsAnApplication(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    const QStringList items = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                     QDir::Hidden | QDir::System);
    for (const QString& item : items) {
        if (QFileInfo(item).suffix() == QLatin1String("app"))
            return true;
    }
    return false;
}

QString MovePlan::messageText() const
{
    if (m_inHomeFolder)
        return QCoreApplication::translate("MoveApplication",
                                           "Move to Applications folder in your Home folder?");
    return QCoreApplication::translate("MoveApplication", "Move to Applications folder?");
}

QString MovePlan::informativeText() const
{
    QString text = QCoreApplication::translate(
        "MoveApplication", "I can move myself to the Applications folder if you'd like.");
    if (m_needsRights)
        return text + QLatin1Char(' ') +
               QCoreApplication::translate(
                   "MoveApplication", "Note that this will require an administrator password.");
    const QStringList downloads =
        SearchPaths::forDirectory(SearchPaths::Directory::Downloads, SearchPaths::AllDomains);
    if (beginsWithAny(m_bundlePath, downloads))
        return text + QLatin1Char(' ') +
               QCoreApplication::translate("MoveApplication",
                                           "This will keep your Downloads folder uncluttered.");
    return text;
}
