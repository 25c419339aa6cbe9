#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QStringList>

#include <vector>

/// A small stand-in for systemd-logind's idle inhibitor, for tests of the
/// sleep assertion: Inhibit() hands out the read end of a pipe and keeps the
/// write end, so it can tell how many inhibitors are still held (their read
/// ends open). Served by the `logind-standin` test program.
class LogindStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~LogindStandIn() override;

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);
    /// Inhibitors whose holder has not closed them yet.
    int ActiveInhibitors();
    /// The arguments of the last Inhibit call.
    QStringList LastInhibit() const { return m_last; }

private:
    std::vector<int> m_writeEnds;
    QStringList m_last;
};
