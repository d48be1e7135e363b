#include "service/ServiceClient.h"

#include "platform/DeleteLater.h"

#include "model/JsonText.h"
#include "service/AppSettings.h"
#include "service/ResponseDecoding.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QUrl>

#include <qcoro/qcoronetworkreply.h>

#include <memory>

namespace corvane {
namespace {

constexpr int timeoutMilliseconds = 60'000;
// The largest answer taken, counted after inflating: the relay's largest answer (one payload with a
// 10 MiB body, carried both parsed and as text) with room to spare. Bodies of repeated bytes inflate
// far more than Qt's own ratio check allows below this size, so that check starts only above it.
constexpr qint64 maximumAnswerBytes = qint64{64} * 1024 * 1024;

QByteArray jsonBytes(const nlohmann::json& json)
{
    return QByteArray::fromStdString(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

std::string utf8(const QString& text)
{
    return text.toStdString();
}

// The response text of a failed request: its body as UTF-8, or nothing when it is not UTF-8.
QString responseText(const QByteArray& body)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(body);
    return decoder.hasError() ? QString() : text;
}

// Whether `error` is the one QNetworkAccessManager gives a complete answer for its 4xx or 5xx status,
// rather than one of the transfer itself.
bool reportsStatus(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError
               && error != QNetworkReply::ContentReSendError)
        || error == QNetworkReply::ProtocolInvalidOperationError
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

Failure cancelled()
{
    return Failure::network(QNetworkReply::OperationCanceledError, QStringLiteral("Operation canceled"));
}

// A request stopped while its answer was being decoded fails as cancelled, like one stopped before.
template <class T>
QCoro::Task<ServiceResult<T>> decodeOrPass(ServiceResult<ResponseBody> response,
    QCoro::Task<std::expected<T, Failure>> (*decode)(QByteArray), std::stop_token stop)
{
    if (!response) {
        co_return std::unexpected(response.error());
    }
    auto decoded = co_await decode(std::move(response->bytes));
    if (stop.stop_requested()) {
        co_return std::unexpected(cancelled());
    }
    co_return decoded;
}

// For the calls whose answer has no meaning beyond its success.
ServiceResult<void> withoutBody(const ServiceResult<ResponseBody>& response)
{
    if (!response) {
        return std::unexpected(response.error());
    }
    return {};
}

} // namespace

ServiceClient::ServiceClient(QNetworkAccessManager& network, SecretStore& secrets, QObject* parent)
    : QObject(parent), m_network(&network), m_secrets(&secrets)
{
}

QCoro::Task<ServiceResult<ResponseBody>> ServiceClient::request(
    QString path, QByteArray method, std::optional<QByteArray> body, bool auth, std::stop_token stop)
{
    auto answer = co_await send(std::move(path), std::move(method), std::move(body), auth, {}, stop);
    if (!answer) {
        co_return std::unexpected(answer.error());
    }
    if (answer->status < 200 || answer->status > 299) {
        co_return std::unexpected(Failure::badStatus(answer->status, responseText(answer->body)));
    }
    co_return ResponseBody{std::move(answer->body)};
}

QCoro::Task<ServiceResult<ServiceClient::Answer>> ServiceClient::send(QString path, QByteArray method,
    std::optional<QByteArray> body, bool auth, QByteArray ifNoneMatch, std::stop_token stop)
{
    const QUrl url(AppSettings::serviceURL() + path, QUrl::StrictMode);
    if (!url.isValid()) {
        co_return std::unexpected(Failure::missingURL());
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMilliseconds);
    request.setDecompressedSafetyCheckThreshold(maximumAnswerBytes);
    if (auth) {
        QPointer self(this);
        const auto token = co_await AppSettings::keychainRead(*m_secrets);
        if (!self) {
            co_return std::unexpected(cancelled());
        }
        if (token && !token->isEmpty()) {
            request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
        }
    }
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    }
    if (!ifNoneMatch.isEmpty()) {
        request.setRawHeader("If-None-Match", ifNoneMatch);
    }

    const std::unique_ptr<QNetworkReply, DeleteLater> reply(
        body ? m_network->sendCustomRequest(request, method, *body) : m_network->sendCustomRequest(request, method));
    qint64 received = 0;
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
        [&received, reply = reply.get()](qint64 bytes, qint64) {
            received = bytes;
            if (bytes > maximumAnswerBytes) {
                reply->abort();
            }
        });
    // Stop may be asked for on any thread; the reply is aborted on its own.
    const std::stop_callback abortOnStop(
        stop, [reply = reply.get()] { QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection); });
    co_await reply.get();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool successful = status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
    // Qt's ratio check, which starts at the bound, fails a 2xx answer as unknown content.
    if (received > maximumAnswerBytes || (successful && reply->error() == QNetworkReply::UnknownContentError)) {
        co_return std::unexpected(Failure::tooLarge(maximumAnswerBytes));
    }
    // A transfer that broke off (cancellation included) fails with the network layer's error, even
    // when its status and part of its body had arrived.
    if (reply->error() != QNetworkReply::NoError && !reportsStatus(reply->error())) {
        co_return std::unexpected(Failure::network(reply->error(), reply->errorString()));
    }
    if (!status.isValid()) {
        co_return std::unexpected(Failure::badStatus(0, "no response"));
    }
    // The token read for this request was refused: the next one reads it again from where it lives.
    if (auth && status.toInt() == 401) {
        m_secrets->forget();
    }
    co_return Answer{status.toInt(), reply->readAll(), reply->rawHeader("ETag")};
}

template <class T>
QCoro::Task<ServiceResult<std::optional<T>>> ServiceClient::readIfChanged(
    QString path, QCoro::Task<std::expected<T, Failure>> (*decode)(QByteArray), std::stop_token stop)
{
    const QString key = AppSettings::serviceURL() + path;
    const QByteArray known = m_entityTags.value(key);
    QPointer self(this);
    auto answer = co_await send(std::move(path), "GET", {}, true, known, stop);
    if (!answer) {
        co_return std::unexpected(answer.error());
    }
    if (answer->status == 304 && !known.isEmpty()) {
        co_return std::optional<T>();
    }
    if (answer->status < 200 || answer->status > 299) {
        co_return std::unexpected(Failure::badStatus(answer->status, responseText(answer->body)));
    }
    auto decoded = co_await decode(std::move(answer->body));
    if (!self || stop.stop_requested()) {
        co_return std::unexpected(cancelled());
    }
    if (!decoded) {
        co_return std::unexpected(decoded.error());
    }
    if (answer->entityTag.isEmpty()) {
        m_entityTags.remove(key);
    } else {
        m_entityTags.insert(key, answer->entityTag);
    }
    co_return std::optional<T>(*std::move(decoded));
}

QCoro::Task<ServiceResult<std::optional<std::vector<Listener>>>> ServiceClient::listListenersIfChanged(
    std::stop_token stop)
{
    co_return co_await readIfChanged("/listeners/", &ResponseDecoding::listenersResponse, stop);
}

QCoro::Task<ServiceResult<std::optional<std::vector<Payload>>>> ServiceClient::recentAllIfChanged(
    int limit, std::stop_token stop)
{
    co_return co_await readIfChanged(
        QStringLiteral("/webhooks/recent?limit=%1").arg(limit), &ResponseDecoding::recentResponse, stop);
}

void ServiceClient::forgetEntityTags()
{
    m_entityTags.clear();
}

QCoro::Task<ServiceResult<QString>> ServiceClient::changes(QString after, int wait, std::stop_token stop)
{
    const QString path
        = QStringLiteral("/changes?after=%1&wait=%2").arg(QString::fromUtf8(QUrl::toPercentEncoding(after))).arg(wait);
    auto answer = co_await send(path, "GET", {}, true, {}, stop);
    if (!answer) {
        co_return std::unexpected(answer.error());
    }
    if (answer->status == 404) {
        co_return std::unexpected(Failure::notSupported(QStringLiteral("change versions")));
    }
    if (answer->status < 200 || answer->status > 299) {
        co_return std::unexpected(Failure::badStatus(answer->status, responseText(answer->body)));
    }
    auto parsed = parseJson(std::string_view(answer->body.constData(), static_cast<std::size_t>(answer->body.size())));
    if (!parsed) {
        co_return std::unexpected(Failure::decoding(parsed.error()));
    }
    const auto version = parsed->is_object() ? parsed->find("version") : parsed->end();
    if (version == parsed->end() || !version->is_string() || version->get_ref<const std::string&>().empty()) {
        co_return std::unexpected(Failure::decoding(DecodingError{"version", "expected a string"}));
    }
    co_return QString::fromStdString(version->get<std::string>());
}

QCoro::Task<ServiceResult<ExchangeResponse>> ServiceClient::exchange(
    QString code, std::optional<QString> verifier, std::stop_token stop)
{
    ExchangeBody body{utf8(code), verifier.transform(utf8)};
    auto response = co_await request("/auth/callback", "POST", jsonBytes(body.toJson()), false, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::exchangeResponse, stop);
}

QCoro::Task<ServiceResult<std::vector<Payload>>> ServiceClient::poll(int limit, std::stop_token stop)
{
    auto response = co_await request(QStringLiteral("/webhooks/poll?limit=%1").arg(limit), "GET", {}, true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::pollResponse, stop);
}

QCoro::Task<ServiceResult<std::vector<Listener>>> ServiceClient::listListeners(std::stop_token stop)
{
    auto response = co_await request("/listeners/", "GET", {}, true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::listenersResponse, stop);
}

QCoro::Task<ServiceResult<std::vector<Payload>>> ServiceClient::recentAll(int limit, std::stop_token stop)
{
    auto response = co_await request(QStringLiteral("/webhooks/recent?limit=%1").arg(limit), "GET", {}, true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::recentResponse, stop);
}

QCoro::Task<ServiceResult<std::vector<Payload>>> ServiceClient::recentPayloads(
    QString listenerId, int limit, std::stop_token stop)
{
    const QString path = "/webhooks/listener/" + listenerId + QStringLiteral("/recent?limit=%1").arg(limit);
    auto response = co_await request(path, "GET", {}, true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::recentResponse, stop);
}

QCoro::Task<ServiceResult<Payload>> ServiceClient::payload(QString payloadId, std::stop_token stop)
{
    auto response = co_await request(
        "/webhooks/" + QString::fromLatin1(QUrl::toPercentEncoding(payloadId)), "GET", {}, true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::payload, stop);
}

QCoro::Task<ServiceResult<Payload>> ServiceClient::wholePayload(Payload listed, std::stop_token stop)
{
    if (!listed.isBodyCut()) {
        co_return listed;
    }
    co_return co_await payload(QString::fromStdString(listed.id), stop);
}

QCoro::Task<ServiceResult<Listener>> ServiceClient::createListener(
    QString name, NotificationConfig config, std::optional<VerificationSettings> verification, std::stop_token stop)
{
    const CreateListenerBody body{utf8(name), std::nullopt, std::move(config), true, std::move(verification)};
    auto response = co_await request("/listeners/", "POST", jsonBytes(body.toJson()), true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::listener, stop);
}

QCoro::Task<ServiceResult<Listener>> ServiceClient::updateListener(QString id, std::optional<QString> name,
    std::optional<NotificationConfig> config, std::optional<bool> isEnabled, VerificationUpdate verification,
    std::stop_token stop)
{
    const UpdateListenerBody body{
        name.transform(utf8), std::nullopt, std::move(config), isEnabled, std::move(verification)};
    auto response = co_await request("/listeners/" + id, "PATCH", jsonBytes(body.toJson()), true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::listener, stop);
}

QCoro::Task<ServiceResult<void>> ServiceClient::deleteListener(QString id, std::stop_token stop)
{
    co_return withoutBody(co_await request("/listeners/" + id, "DELETE", {}, true, stop));
}

QCoro::Task<ServiceResult<void>> ServiceClient::markDelivered(QString payloadId, std::stop_token stop)
{
    co_return withoutBody(co_await request("/webhooks/" + payloadId + "/delivered", "POST", {}, true, stop));
}

QCoro::Task<ServiceResult<TemplateSuggestion>> ServiceClient::suggestTemplate(QByteArray sample, std::stop_token stop)
{
    auto parsed = parseJson(std::string_view(sample.constData(), static_cast<std::size_t>(sample.size())));
    if (!parsed) {
        co_return std::unexpected(Failure::decoding(parsed.error()));
    }
    const nlohmann::json body = {{"sample", *std::move(parsed)}};
    auto response = co_await request("/listeners/suggest-template", "POST", jsonBytes(body), true, stop);
    co_return co_await decodeOrPass(std::move(response), &ResponseDecoding::templateSuggestion, stop);
}

} // namespace corvane
