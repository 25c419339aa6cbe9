#include "FileManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QString systemError(const QByteArray& path)
{
    return QStringLiteral("'%1': %2")
        .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
}

// The names of the entries of a folder, without "." and "..".
bool folderEntries(const QByteArray& path, QList<QByteArray>* names)
{
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names->append(name);
    }
    ::closedir(dir);
    return true;
}

void copyExtendedAttributes(const QByteArray& from, const QByteArray& to)
{
    const ssize_t size = ::listxattr(from.constData(), nullptr, 0);
    if (size <= 0)
        return;
    QByteArray list(size, '\0');
    const ssize_t got = ::listxattr(from.constData(), list.data(), list.size());
    if (got <= 0)
        return;
    for (const QByteArray& name : list.left(got).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t valueSize = ::getxattr(from.constData(), name.constData(), nullptr, 0);
        if (valueSize < 0)
            continue;
        QByteArray value(valueSize, '\0');
        if (::getxattr(from.constData(), name.constData(), value.data(), value.size()) >= 0)
            ::setxattr(to.constData(), name.constData(), value.constData(), value.size(), 0);
    }
}

bool copyTimes(const QByteArray& to, const struct stat& status, int flags, QString* error)
{
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (::utimensat(AT_FDCWD, to.constData(), times, flags) == 0)
        return true;
    *error = systemError(to);
    return false;
}

bool copyFileContents(const QByteArray& from, const QByteArray& to, const struct stat& status,
                      QString* error)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = systemError(from);
        return false;
    }
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        *error = systemError(to);
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = systemError(from);
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, got - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                *error = systemError(to);
                ok = false;
                break;
            }
            done += put;
        }
        if (!ok)
            break;
    }
    ::close(in);
    if (ok && ::fchmod(out, status.st_mode & 07777) != 0) {
        *error = systemError(to);
        ok = false;
    }
    if (::close(out) != 0 && ok) {
        *error = systemError(to);
        ok = false;
    }
    return ok;
}

bool copyTree(const QByteArray& from, const QByteArray& to, QString* error)
{
    struct stat status {};
    if (::lstat(from.constData(), &status) != 0) {
        *error = systemError(from);
        return false;
    }
    if (S_ISLNK(status.st_mode)) {
        char link[4096];
        const ssize_t length = ::readlink(from.constData(), link, sizeof link);
        if (length < 0 || ::symlink(QByteArray(link, length).constData(), to.constData()) != 0) {
            *error = systemError(length < 0 ? from : to);
            return false;
        }
        return copyTimes(to, status, AT_SYMLINK_NOFOLLOW, error);
    }
    if (S_ISDIR(status.st_mode)) {
        QList<QByteArray> names;
        if (::mkdir(to.constData(), 0700) != 0) {
            *error = systemError(to);
            return false;
        }
        if (!folderEntries(from, &names)) {
            *error = systemError(from);
            return false;
        }
        for (const QByteArray& name : names) {
            if (!copyTree(from + '/' + name, to + '/' + name, error))
                return false;
        }
        copyExtendedAttributes(from, to);
        if (::chmod(to.constData(), status.st_mode & 07777) != 0) {
            *error = systemError(to);
            return false;
        }
        return copyTimes(to, status, 0, error);
    }
    if (S_ISREG(status.st_mode)) {
        if (!copyFileContents(from, to, status, error))
            return false;
        copyExtendedAttributes(from, to);
        return copyTimes(to, status, 0, error);
    }
    *error =
        QStringLiteral("'%1': not a file, folder or symbolic link").arg(QFile::decodeName(from));
    return false;
}

void removeAttributesTree(const QByteArray& path, const QList<QByteArray>& names)
{
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || S_ISLNK(status.st_mode))
        return;
    for (const QByteArray& name : names)
        ::removexattr(path.constData(), name.constData());
    if (!S_ISDIR(status.st_mode))
        return;
    QList<QByteArray> entries;
    if (!folderEntries(path, &entries))
        return;
    for (const QByteArray& entry : entries)
        removeAttributesTree(path + '/' + entry, names);
}

} // namespace

Result<void> FileManager::copyItem(const QString& from, const QString& to)
{
    const QFileInfo target(to);
    if (target.exists() || target.isSymLink())
        return Failure(QStringLiteral("'%1': the item already exists").arg(to));
    const QString partial = target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                            QStringLiteral(".partial-%1").arg(::getpid());
    // Leftovers of an earlier attempt go first; a failure here shows below.
    (void)removeItem(partial);
    QString reason;
    if (copyTree(QFile::encodeName(from), QFile::encodeName(partial), &reason) &&
        ::rename(QFile::encodeName(partial).constData(), QFile::encodeName(to).constData()) == 0)
        return {};
    if (reason.isEmpty())
        reason = systemError(QFile::encodeName(to));
    (void)removeItem(partial);
    return Failure(reason);
}

Result<void> FileManager::removeItem(const QString& path)
{
    std::error_code code;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(path).toStdString()), code);
    if (code)
        return Failure(QString::fromStdString(code.message()));
    return {};
}

bool FileManager::recycleItem(const QString& path)
{
    QString ignored;
    return QFile::moveToTrash(path, &ignored);
}

void FileManager::removeExtendedAttributes(const QString& path, const QStringList& names)
{
    QList<QByteArray> encoded;
    for (const QString& name : names)
        encoded.append(name.toUtf8());
    removeAttributesTree(QFile::encodeName(path), encoded);
}
