#pragma once

#include "PeerProcess.h"
#include "PrivateBus.h"

#include <QString>
#include <QStringList>

#include <memory>

/// A private session bus with `photolib serve` running on a sample library:
/// what a test needs to talk to the stand-in photo library application.
///
/// start() makes the sample (`photolib sample` with the options given, in a
/// fresh scratch folder), then the server with the serve options given.
/// Destruction stops the server, then the bus. Main thread only.
class PeerSession {
public:
    /// Sample options small enough for tests: 4 images up to 0.3 MP, one
    /// RAW+JPEG pair, one album, seed 7.
    static QStringList smallSample();

    PeerSession() = default;
    ~PeerSession();
    PeerSession(const PeerSession&) = delete;
    PeerSession& operator=(const PeerSession&) = delete;

    /// False, with the reason in problem(), when any step failed.
    bool start(const QStringList& sampleOptions = smallSample(),
               const QStringList& serveOptions = {});
    /// Starts a server on an existing library (made by the caller).
    bool serve(const QString& library, const QStringList& serveOptions = {});
    QString problem() const { return m_problem; }

    QString library() const { return m_library; }
    /// The state folder (XDG_STATE_HOME) start() set for this library.
    QString stateFolder() const { return m_stateFolder; }
    PeerProcess& peer() { return *m_peer; }
    /// `photolib show` of the library.
    QJsonObject show() const { return PeerProcess::show(m_library); }

private:
    QString m_stateFolder;
    PrivateBus m_bus;
    QString m_library;
    std::unique_ptr<PeerProcess> m_peer;
    QString m_problem;
};
