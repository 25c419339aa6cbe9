#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <memory>

class QHttpServer;
class QTcpServer;

/// A real HTTP server on the loopback interface that takes crash report
/// uploads: it records each request's headers and body and gives the
/// answer it was told to, after an optional delay. With reset() it instead
/// closes every connection as soon as it is made. Main thread; the test
/// runs the event loop while it waits.
class LoopbackReportServer {
public:
    LoopbackReportServer();
    ~LoopbackReportServer();

    /// The status, body and delay of every answer from now on.
    void answer(int status, QByteArray body, int delayMs = 0);
    /// Accepts connections and drops them at once.
    void reset();
    QUrl url() const;

    int requestCount() const { return m_requests; }
    QByteArray lastBody() const { return m_body; }
    QByteArray lastHeader(const QByteArray& name) const;

private:
    std::unique_ptr<QHttpServer> m_server;
    std::unique_ptr<QTcpServer> m_resetter;
    quint16 m_port = 0;
    int m_status = 200;
    QByteArray m_answer = "ok\n";
    int m_delayMs = 0;
    int m_requests = 0;
    QByteArray m_body;
    QList<QPair<QByteArray, QByteArray>> m_headers;
};
