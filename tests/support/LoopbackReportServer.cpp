#include "LoopbackReportServer.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

LoopbackReportServer::LoopbackReportServer() : m_server(std::make_unique<QHttpServer>())
{
    m_server->route(QStringLiteral("/report"),
                    [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                        ++m_requests;
                        m_body = request.body();
                        m_headers = request.headers();
                        auto held = std::make_shared<QHttpServerResponder>(std::move(responder));
                        const auto status = static_cast<QHttpServerResponder::StatusCode>(m_status);
                        const QByteArray body = m_answer;
                        QTimer::singleShot(m_delayMs, [held, status, body] {
                            held->write(body, "text/plain", status);
                        });
                    });
    m_port = m_server->listen(QHostAddress::LocalHost);
}

LoopbackReportServer::~LoopbackReportServer() = default;

void LoopbackReportServer::answer(int status, QByteArray body, int delayMs)
{
    m_status = status;
    m_answer = std::move(body);
    m_delayMs = delayMs;
}

void LoopbackReportServer::reset()
{
    m_server.reset();
    m_resetter = std::make_unique<QTcpServer>();
    QObject::connect(m_resetter.get(), &QTcpServer::newConnection, m_resetter.get(), [this] {
        while (QTcpSocket* socket = m_resetter->nextPendingConnection()) {
            ++m_requests;
            socket->abort();
            socket->deleteLater();
        }
    });
    m_resetter->listen(QHostAddress::LocalHost, m_port);
}

QUrl LoopbackReportServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/report").arg(m_port));
}

QByteArray LoopbackReportServer::lastHeader(const QByteArray& name) const
{
    for (const auto& [key, value] : m_headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}
