#include "NoChangesProxy.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace corvane::test {
namespace {

constexpr QByteArrayView headerEnd("\r\n\r\n");

// The request's head with any Connection field replaced by "Connection: close".
QByteArray closingHead(const QByteArray& head)
{
    QByteArray result;
    for (const QByteArray& line : head.split('\n')) {
        const QByteArray field = line.trimmed();
        if (!field.toLower().startsWith("connection:")) {
            result += field + "\r\n";
        }
    }
    return result + "Connection: close";
}

qsizetype contentLength(const QByteArray& head)
{
    for (const QByteArray& line : head.split('\n')) {
        const QByteArray field = line.trimmed().toLower();
        if (field.startsWith("content-length:")) {
            return field.mid(15).trimmed().toLongLong();
        }
    }
    return 0;
}

} // namespace

NoChangesProxy::NoChangesProxy(quint16 relayPort) : m_relayPort(relayPort)
{
    m_anchor.moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        &m_anchor,
        [this] {
            m_server = new QTcpServer;
            if (!m_server->listen(QHostAddress::LocalHost)) {
                qFatal("the proxy cannot listen on 127.0.0.1");
            }
            m_baseURL = QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort());
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] { accept(); });
        },
        Qt::BlockingQueuedConnection);
}

NoChangesProxy::~NoChangesProxy()
{
    QMetaObject::invokeMethod(&m_anchor, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void NoChangesProxy::accept()
{
    while (QTcpSocket* client = m_server->nextPendingConnection()) {
        client->setParent(m_server);
        QObject::connect(client, &QTcpSocket::readyRead, client, [this, client] { read(client); });
        QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }
}

void NoChangesProxy::read(QTcpSocket* client)
{
    if (client->property("forwarded").toBool()) {
        return;
    }
    QByteArray buffer = client->property("buffer").toByteArray() + client->readAll();
    const auto end = buffer.indexOf(headerEnd);
    if (end < 0 || buffer.size() < end + headerEnd.size() + contentLength(buffer.left(end))) {
        client->setProperty("buffer", buffer);
        return;
    }
    client->setProperty("forwarded", true);
    const QByteArray head = buffer.left(end);
    if (head.startsWith("GET /changes")) {
        client->write("HTTP/1.1 404 Not Found\r\nContent-Type: application/json\r\nContent-Length: 21\r\n"
                      "Connection: close\r\n\r\n{\"error\":\"not found\"}");
        client->disconnectFromHost();
        return;
    }
    auto* relay = new QTcpSocket(client);
    const QByteArray request = closingHead(head) + buffer.mid(end);
    QObject::connect(relay, &QTcpSocket::connected, relay, [relay, request] { relay->write(request); });
    QObject::connect(relay, &QTcpSocket::readyRead, client, [relay, client] { client->write(relay->readAll()); });
    QObject::connect(relay, &QTcpSocket::disconnected, client, [relay, client] {
        client->write(relay->readAll());
        client->disconnectFromHost();
    });
    QObject::connect(relay, &QTcpSocket::errorOccurred, client, [client](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError) {
            client->abort();
        }
    });
    relay->connectToHost(QHostAddress::LocalHost, m_relayPort);
}

} // namespace corvane::test
