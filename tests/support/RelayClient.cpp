#include "support/RelayClient.h"

#include "model/JsonText.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QUrlQuery>

#include <memory>

namespace corvane::test {
namespace {

constexpr int replyTimeoutMilliseconds = 15000;
const QString clientId = QStringLiteral("client_01HZX8K3M4N5P6Q7R8S9T0V1WX");

QByteArray base64Url(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

} // namespace

HttpReply HttpReply::parse(const QByteArray& response)
{
    HttpReply reply;
    const auto headerEnd = response.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return reply;
    }
    const auto lines = response.left(headerEnd).split('\n');
    reply.status = lines.value(0).split(' ').value(1).toInt();
    for (qsizetype index = 1; index < lines.size(); ++index) {
        const auto colon = lines[index].indexOf(':');
        reply.headers.insert(lines[index].left(colon).trimmed().toLower(), lines[index].mid(colon + 1).trimmed());
    }
    reply.body = response.mid(headerEnd + 4);
    return reply;
}

nlohmann::json HttpReply::json() const
{
    auto parsed = parseJson(std::string_view(body.constData(), std::size_t(body.size())));
    return parsed ? *parsed : nlohmann::json();
}

RelayClient::RelayClient(const RelayProcess& relay) : m_relay(relay)
{
}

HttpReply RelayClient::send(
    const QByteArray& method, const QString& pathAndQuery, const QByteArray& body, const HeaderList& headers)
{
    QNetworkRequest request(m_relay.url(pathAndQuery));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Lists of large stored bodies compress beyond the ratio Qt takes for a decompression bomb.
    request.setDecompressedSafetyCheckThreshold(-1);
    if (!m_key.isEmpty()) {
        request.setRawHeader("Authorization", "Bearer " + m_key);
    }
    if (!body.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    }
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(request, method, body));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(replyTimeoutMilliseconds)) {
        qWarning("no reply to %s %s", method.constData(), qPrintable(pathAndQuery));
        return {};
    }
    HttpReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    for (const auto& [name, value] : reply->rawHeaderPairs()) {
        result.headers.insert(name.toLower(), value);
    }
    return result;
}

HttpReply RelayClient::raw(const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_relay.port());
    if (!socket.waitForConnected(replyTimeoutMilliseconds)) {
        return {};
    }
    socket.write(request);
    QByteArray response;
    const QDeadlineTimer deadline(replyTimeoutMilliseconds);
    while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(int(deadline.remainingTime()));
        response += socket.readAll();
    }
    response += socket.readAll();
    return HttpReply::parse(response);
}

QByteArray RelayClient::newVerifier()
{
    QByteArray bytes(64, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return base64Url(bytes);
}

QByteArray RelayClient::challengeOf(const QByteArray& verifier)
{
    return base64Url(QCryptographicHash::hash(verifier, QCryptographicHash::Sha256));
}

QString RelayClient::authorizeQuery(const QByteArray& challenge)
{
    QUrlQuery query;
    query.addQueryItem("client_id", clientId);
    query.addQueryItem("redirect_uri", "corvane://auth/callback");
    query.addQueryItem("response_type", "code");
    query.addQueryItem("provider", "authkit");
    query.addQueryItem("code_challenge", QString::fromLatin1(challenge));
    query.addQueryItem("code_challenge_method", "S256");
    return query.toString(QUrl::FullyEncoded);
}

HttpReply RelayClient::authorize(const QByteArray& challenge, const QString& email, const QByteArray& apiToken)
{
    QUrlQuery form(authorizeQuery(challenge));
    form.addQueryItem("email", QString::fromUtf8(QUrl::toPercentEncoding(email)));
    form.addQueryItem("api_token", QString::fromUtf8(QUrl::toPercentEncoding(apiToken)));
    return send("POST", "/user_management/authorize", form.toString(QUrl::FullyEncoded).toUtf8(),
        {{"Content-Type", "application/x-www-form-urlencoded"}});
}

QString RelayClient::refreshOf(const QByteArray& html)
{
    static const QRegularExpression refresh(R"re(<meta http-equiv="refresh" content="\d+; url=([^"]*)")re");
    return refresh.match(QString::fromUtf8(html)).captured(1).replace("&amp;", "&");
}

QByteArray RelayClient::codeOf(const HttpReply& signedIn)
{
    return QUrlQuery(QUrl(refreshOf(signedIn.body))).queryItemValue("code").toUtf8();
}

HttpReply RelayClient::exchange(const QByteArray& code, const QByteArray& verifier)
{
    const nlohmann::json body{{"code", code.toStdString()}, {"code_verifier", verifier.toStdString()}};
    const auto key = std::exchange(m_key, QByteArray());
    auto reply = send("POST", "/auth/callback", QByteArray::fromStdString(body.dump()));
    m_key = key;
    return reply;
}

QByteArray RelayClient::signIn(const QString& email, const QByteArray& apiToken)
{
    const auto verifier = newVerifier();
    const auto exchanged = exchange(codeOf(authorize(challengeOf(verifier), email, apiToken)), verifier).json();
    return exchanged.is_object() && exchanged.contains("api_key")
        ? QByteArray::fromStdString(exchanged["api_key"].get<std::string>())
        : QByteArray();
}

QByteArray RelayClient::signInAndUse(const QString& email)
{
    m_key = signIn(email);
    return m_key;
}

nlohmann::json RelayClient::createListener(const QString& name)
{
    const nlohmann::json body{
        {"name", name.toStdString()}, {"notification_config", nlohmann::json::object()}, {"is_enabled", true}};
    return send("POST", "/listeners/", QByteArray::fromStdString(body.dump())).json();
}

HttpReply RelayClient::hook(const nlohmann::json& listener, const QByteArray& body, const QString& query)
{
    const auto path = QString::fromUtf8(hookPathOf(listener));
    const auto key = std::exchange(m_key, QByteArray());
    auto reply = send("POST", query.isEmpty() ? path : path + "?" + query, body);
    m_key = key;
    return reply;
}

nlohmann::json RelayClient::recent(const nlohmann::json& listener, int limit)
{
    const auto list
        = send("GET", "/webhooks/listener/" + idOf(listener) + "/recent?limit=" + QString::number(limit)).json();
    return list.is_object() ? list.value("webhooks", nlohmann::json::array()) : nlohmann::json::array();
}

QString RelayClient::idOf(const nlohmann::json& record)
{
    return QString::fromStdString(record.is_object() ? record.value("id", std::string()) : std::string());
}

QByteArray RelayClient::hookPathOf(const nlohmann::json& listener)
{
    return QByteArray::fromStdString(
        listener.is_object() ? listener.value("hook_path", std::string("/h/missing")) : std::string("/h/missing"));
}

} // namespace corvane::test
