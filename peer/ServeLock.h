#pragma once

#include <QString>

/// The claim of one server on a library: an exclusive lock on
/// `Database/serve.lock`, held while the object lives. The lock goes with the
/// process, so a killed server leaves no stale claim behind.
///
/// Taking it throws PeerError (LibraryInUse) naming the process that holds
/// it when another server already serves the library.
class ServeLock {
public:
    explicit ServeLock(const QString& libraryPath);
    ~ServeLock();
    ServeLock(const ServeLock&) = delete;
    ServeLock& operator=(const ServeLock&) = delete;

private:
    int m_fd = -1;
};
