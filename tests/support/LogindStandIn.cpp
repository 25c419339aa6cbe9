#include "LogindStandIn.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

LogindStandIn::~LogindStandIn()
{
    for (int fd : m_writeEnds)
        ::close(fd);
}

QDBusUnixFileDescriptor LogindStandIn::Inhibit(const QString& what, const QString& who,
                                               const QString& why, const QString& mode)
{
    m_last = {what, who, why, mode};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return QDBusUnixFileDescriptor();
    QDBusUnixFileDescriptor handed(fds[0]); // keeps a duplicate
    ::close(fds[0]);
    m_writeEnds.push_back(fds[1]);
    return handed;
}

int LogindStandIn::ActiveInhibitors()
{
    int active = 0;
    for (int fd : m_writeEnds) {
        pollfd probe{fd, POLLOUT, 0};
        // A pipe whose every read end is closed reports an error to its writer.
        if (::poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLERR))
            ++active;
    }
    return active;
}
