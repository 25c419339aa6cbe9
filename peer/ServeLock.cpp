#include "ServeLock.h"

#include "PeerError.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

ServeLock::ServeLock(const QString& libraryPath)
{
    const QString path = libraryPath + QStringLiteral("/Database/serve.lock");
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw PeerError(PeerError::Code::Io,
                        QStringLiteral("cannot open %1: %2")
                            .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        char pid[32] = {};
        const ssize_t n = ::pread(m_fd, pid, sizeof pid - 1, 0);
        ::close(m_fd);
        m_fd = -1;
        throw PeerError(PeerError::Code::LibraryInUse,
                        QStringLiteral("%1 is already served by process %2")
                            .arg(libraryPath, n > 0 ? QString::fromLatin1(pid).trimmed()
                                                    : QStringLiteral("(unknown)")));
    }
    const QByteArray self = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(m_fd, 0) == 0 && ::pwrite(m_fd, self.constData(), size_t(self.size()), 0) < 0) {
        // The pid is only a courtesy for the message above; the lock holds.
    }
}

ServeLock::~ServeLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
