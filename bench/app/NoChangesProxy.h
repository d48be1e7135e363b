#pragma once

#include <QObject>
#include <QString>
#include <QThread>

class QTcpServer;
class QTcpSocket;

namespace corvane::test {

// A relay as it was before change versions: an HTTP front on 127.0.0.1, on a thread of its own, that
// answers GET /changes with 404 and hands every other request to the relay at `relayPort`. Each
// request gets a connection of its own to the relay and the client's connection closes after the
// answer, so no request is read past the first.
class NoChangesProxy {
public:
    explicit NoChangesProxy(quint16 relayPort);
    NoChangesProxy(const NoChangesProxy&) = delete;
    NoChangesProxy& operator=(const NoChangesProxy&) = delete;
    ~NoChangesProxy();

    // "http://127.0.0.1:<port>"
    QString baseURL() const { return m_baseURL; }

private:
    void accept();
    void read(QTcpSocket* client);

    quint16 m_relayPort;
    QThread m_thread;
    QObject m_anchor;
    QTcpServer* m_server = nullptr;
    QString m_baseURL;
};

} // namespace corvane::test
