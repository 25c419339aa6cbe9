#include "ProtectedFolder.h"

#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace {

bool isAdministrator()
{
    return ::geteuid() == 0;
}

void runShell(const QString& command)
{
    QProcess::execute("/bin/sh", {"-c", command});
}

QString quoted(const QString& text)
{
    QString q = text;
    q.replace("'", "'\\''");
    return "'" + q + "'";
}

} // namespace

ProtectedFolder::ProtectedFolder(QString path) : m_path(std::move(path))
{
    runShell(restoreCommand());
}

ProtectedFolder::~ProtectedFolder()
{
    runShell(liftCommand());
}

bool ProtectedFolder::isProtected() const
{
    return !QFileInfo(m_path).isWritable();
}

QString ProtectedFolder::liftCommand() const
{
    return QString(isAdministrator() ? "chattr -i " : "chmod u+w ") + quoted(m_path);
}

QString ProtectedFolder::restoreCommand() const
{
    return QString(isAdministrator() ? "chattr +i " : "chmod a-w ") + quoted(m_path);
}
