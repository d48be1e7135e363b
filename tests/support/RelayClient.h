#pragma once

#include "support/RelayProcess.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QNetworkAccessManager>
#include <QString>

#include <nlohmann/json.hpp>

#include <utility>

namespace corvane::test {

struct HttpReply {
    int status = 0;
    QByteArray body;
    // Lower-case names.
    QMap<QByteArray, QByteArray> headers;

    // The body as JSON; null when it is not JSON.
    nlohmann::json json() const;

    // A response as it came over the wire: status line, header fields, an empty line, the body.
    static HttpReply parse(const QByteArray& response);
};

using HeaderList = QList<std::pair<QByteArray, QByteArray>>;

// Talks HTTP to one relay: through QNetworkAccessManager (which asks for and decodes gzip), or with
// raw bytes over a socket when the test needs to control every byte.
class RelayClient {
public:
    explicit RelayClient(const RelayProcess& relay);

    // Sent as "Authorization: Bearer <key>" from now on; empty sends none.
    void setKey(const QByteArray& key) { m_key = key; }

    HttpReply send(const QByteArray& method, const QString& pathAndQuery, const QByteArray& body = {},
        const HeaderList& headers = {});
    // Writes `request` as it is and reads until the relay closes the connection.
    HttpReply raw(const QByteArray& request);

    // A PKCE verifier and its S256 challenge (RFC 7636).
    static QByteArray newVerifier();
    static QByteArray challengeOf(const QByteArray& verifier);
    static QString authorizeQuery(const QByteArray& challenge);

    // Posts the sign-in form; on success the reply is a page that sends the browser on to the callback.
    HttpReply authorize(const QByteArray& challenge, const QString& email = {}, const QByteArray& apiToken = {});
    // The link a page sends the browser on to with its refresh; empty when it has none.
    static QString refreshOf(const QByteArray& html);
    static QByteArray codeOf(const HttpReply& signedIn);
    HttpReply exchange(const QByteArray& code, const QByteArray& verifier);
    // The whole sign-in; the new API key, empty on failure.
    QByteArray signIn(const QString& email = {}, const QByteArray& apiToken = {});
    // Signs in and sends the new key from now on; the key, empty on failure.
    QByteArray signInAndUse(const QString& email = {});

    // Creates a listener with the current key; the listener JSON.
    nlohmann::json createListener(const QString& name);
    // Sends a request to a listener's hook path.
    HttpReply hook(const nlohmann::json& listener, const QByteArray& body = "{}", const QString& query = {});
    // What a listener keeps, newest first: the "webhooks" of its recent list.
    nlohmann::json recent(const nlohmann::json& listener, int limit = 100);

    // The "id" of a listener or payload JSON.
    static QString idOf(const nlohmann::json& record);
    static QByteArray hookPathOf(const nlohmann::json& listener);

private:
    const RelayProcess& m_relay;
    QNetworkAccessManager m_network;
    QByteArray m_key;
};

} // namespace corvane::test
