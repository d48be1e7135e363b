#include "support/ScriptedHttpServer.h"

#include <QTcpSocket>

namespace corvane::test {

ScriptedHttpServer::ScriptedHttpServer()
{
    if (!m_server.listen(QHostAddress::LocalHost)) {
        qFatal("the scripted HTTP server cannot listen on 127.0.0.1");
    }
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

QString ScriptedHttpServer::baseURL() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void ScriptedHttpServer::script(const QByteArray& target, const QByteArray& rawResponse)
{
    m_scripts.insert(target, rawResponse);
}

void ScriptedHttpServer::hang(const QByteArray& target)
{
    m_scripts.insert(target, std::nullopt);
}

QByteArray ScriptedHttpServer::response(int status, const QByteArray& body, const QByteArray& contentType)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void ScriptedHttpServer::read(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    const auto headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return;
    }
    Request request;
    const auto lines = buffer.left(headerEnd).split('\n');
    const auto requestLine = lines.front().trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (const auto& line : lines.mid(1)) {
        const auto colon = line.indexOf(':');
        request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const auto length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headerEnd + 4 + length) {
        return;
    }
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.clear();
    m_requests.append(request);

    const auto script = m_scripts.value(request.target, response(404, "no script for this target", "text/plain"));
    if (script) {
        socket->write(*script);
        socket->disconnectFromHost();
    }
    emit requestReceived();
}

} // namespace corvane::test
