#pragma once

#include "model/Listener.h"
#include "model/Payload.h"
#include "platform/SecretStore.h"
#include "service/Failure.h"
#include "service/MessageBodies.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <expected>
#include <optional>
#include <stop_token>
#include <vector>

class QNetworkAccessManager;

namespace corvane {

template <class T> using ServiceResult = std::expected<T, Failure>;

// The body of a 2xx answer. (A bare QByteArray cannot be the value of a std::expected awaited through
// QCoro with GCC 12: its comparison operators make std::expected's operator== recurse.)
struct ResponseBody {
    QByteArray bytes;
};

// Every call the app makes to the relay service. Holds nothing but the network access manager and
// the secret store it was given; the service URL and the token are read afresh for each request. A
// request still waiting for the token when the client is destroyed fails as cancelled.
// Nothing is retried. A request whose stop token is triggered is aborted and fails with the network
// layer's cancellation, also when it comes while the answer is being decoded.
class ServiceClient : public QObject {
    Q_OBJECT

public:
    ServiceClient(QNetworkAccessManager& network, SecretStore& secrets, QObject* parent = nullptr);

    // One HTTP exchange: the service URL followed directly by `path` (joined as text, so a URL
    // ending in "/" gives a double slash), a 60-second timeout, "Authorization: Bearer <token>" when
    // `auth` is set and a non-empty token is stored, "Content-Type: application/json" only with a
    // body. A 2xx answer received whole gives its body; a transfer that breaks off fails with the
    // network layer's error and text, whatever its status; an answer larger than 64 MiB once inflated
    // fails as too large.
    QCoro::Task<ServiceResult<ResponseBody>> request(
        QString path, QByteArray method, std::optional<QByteArray> body, bool auth, std::stop_token stop = {});

    QCoro::Task<ServiceResult<ExchangeResponse>> exchange(
        QString code, std::optional<QString> verifier, std::stop_token stop = {});
    QCoro::Task<ServiceResult<std::vector<Payload>>> poll(int limit, std::stop_token stop = {});
    QCoro::Task<ServiceResult<std::vector<Listener>>> listListeners(std::stop_token stop = {});
    QCoro::Task<ServiceResult<std::vector<Payload>>> recentAll(int limit, std::stop_token stop = {});
    // Conditional reads: each remembers the entity tag of its last full answer per URL and sends it as
    // If-None-Match (RFC 9110, 13.1.2); an answer of 304 gives std::nullopt ("unchanged") and nothing is
    // decoded.
    QCoro::Task<ServiceResult<std::optional<std::vector<Listener>>>> listListenersIfChanged(std::stop_token stop = {});
    QCoro::Task<ServiceResult<std::optional<std::vector<Payload>>>> recentAllIfChanged(
        int limit, std::stop_token stop = {});
    // The next conditional reads answer in full.
    void forgetEntityTags();
    // The account's change version (an opaque token): at once when it differs from `after` (or `after`
    // is empty), else once it moves or `wait` seconds (0 to 60) have passed, whichever comes first. A
    // relay that answers 404 fails as notSupported.
    QCoro::Task<ServiceResult<QString>> changes(QString after, int wait, std::stop_token stop = {});
    QCoro::Task<ServiceResult<std::vector<Payload>>> recentPayloads(
        QString listenerId, int limit, std::stop_token stop = {});
    // One captured request whole, the body a list may have cut included.
    QCoro::Task<ServiceResult<Payload>> payload(QString payloadId, std::stop_token stop = {});
    // `listed` itself when its body is whole, otherwise the payload read again by its id.
    QCoro::Task<ServiceResult<Payload>> wholePayload(Payload listed, std::stop_token stop = {});
    QCoro::Task<ServiceResult<Listener>> createListener(QString name, NotificationConfig config,
        std::optional<VerificationSettings> verification = std::nullopt, std::stop_token stop = {});
    QCoro::Task<ServiceResult<Listener>> updateListener(QString id, std::optional<QString> name,
        std::optional<NotificationConfig> config, std::optional<bool> isEnabled, VerificationUpdate verification = {},
        std::stop_token stop = {});
    QCoro::Task<ServiceResult<void>> deleteListener(QString id, std::stop_token stop = {});
    QCoro::Task<ServiceResult<void>> markDelivered(QString payloadId, std::stop_token stop = {});
    // `sample` is JSON text; text that is not JSON fails before anything is sent.
    QCoro::Task<ServiceResult<TemplateSuggestion>> suggestTemplate(QByteArray sample, std::stop_token stop = {});

private:
    // Any complete HTTP answer, whatever its status.
    struct Answer {
        int status = 0;
        QByteArray body;
        QByteArray entityTag;
    };

    QCoro::Task<ServiceResult<Answer>> send(QString path, QByteArray method, std::optional<QByteArray> body, bool auth,
        QByteArray ifNoneMatch, std::stop_token stop);
    template <class T>
    QCoro::Task<ServiceResult<std::optional<T>>> readIfChanged(
        QString path, QCoro::Task<std::expected<T, Failure>> (*decode)(QByteArray), std::stop_token stop);

    QNetworkAccessManager* m_network;
    SecretStore* m_secrets;
    QHash<QString, QByteArray> m_entityTags; // by service URL and path
};

} // namespace corvane
