#include "PeerSession.h"

#include "TestEnvironment.h"

QStringList PeerSession::smallSample()
{
    return {QStringLiteral("--seed"),           QStringLiteral("7"),
            QStringLiteral("--count"),          QStringLiteral("4"),
            QStringLiteral("--pairs"),          QStringLiteral("1"),
            QStringLiteral("--albums"),         QStringLiteral("1"),
            QStringLiteral("--max-megapixels"), QStringLiteral("0.3")};
}

PeerSession::~PeerSession()
{
    m_peer.reset();
}

bool PeerSession::start(const QStringList& sampleOptions, const QStringList& serveOptions)
{
    const QString library = TestEnvironment::makeScratchDir(QStringLiteral("library")) +
                            QStringLiteral("/Sample.aplibrary");
    // Every sample library has the same name: a fresh library gets a fresh
    // state folder, so no run journal of an earlier test speaks for it.
    m_stateFolder = TestEnvironment::makeScratchDir(QStringLiteral("state"));
    qputenv("XDG_STATE_HOME", m_stateFolder.toUtf8());
    if (!PeerProcess::makeSample(library, sampleOptions)) {
        m_problem =
            QStringLiteral("photolib sample %1 failed").arg(sampleOptions.join(QLatin1Char(' ')));
        return false;
    }
    return serve(library, serveOptions);
}

bool PeerSession::serve(const QString& library, const QStringList& serveOptions)
{
    m_library = library;
    if (!m_bus.isUp()) {
        m_problem = QStringLiteral("the private bus did not start");
        return false;
    }
    m_peer = std::make_unique<PeerProcess>(library, serveOptions);
    if (!m_peer->start()) {
        m_problem = QStringLiteral("photolib serve did not start: ") + m_peer->standardError();
        return false;
    }
    return true;
}
