#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

#include <optional>

class QTcpSocket;

namespace corvane::test {

// An HTTP server on 127.0.0.1 that answers each request target with scripted bytes, for the answers
// a real relay never gives: odd statuses, bodies that are not UTF-8, replies that never come, bytes
// that are not HTTP at all.
class ScriptedHttpServer : public QObject {
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray target;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    ScriptedHttpServer();

    // "http://127.0.0.1:<port>"
    QString baseURL() const;

    // Requests for `target` (path and query) get `rawResponse`, then the connection closes.
    void script(const QByteArray& target, const QByteArray& rawResponse);
    // Requests for `target` get no answer at all.
    void hang(const QByteArray& target);

    // A complete HTTP/1.1 response.
    static QByteArray response(int status, const QByteArray& body, const QByteArray& contentType = "application/json");

    const QList<Request>& requests() const { return m_requests; }

signals:
    void requestReceived();

private:
    void read(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QByteArray, std::optional<QByteArray>> m_scripts;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<Request> m_requests;
};

} // namespace corvane::test
