#include "auth/AuthCoordinator.h"

#include "BuildSettings.h"
#include "platform/WebAuthenticationSession.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QUrlQuery>

namespace corvane {
namespace {

QString base64Url(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString authorizeEndpoint()
{
    const QString configured = QStringLiteral(CORVANE_AUTHORIZE_URL);
    return configured.isEmpty() ? AppSettings::serviceURL() + QStringLiteral("/user_management/authorize") : configured;
}

} // namespace

AuthCoordinator::AuthCoordinator(
    ServiceClient& client, SecretStore& secrets, WebAuthenticationSession& session, QObject* parent)
    : QObject(parent), m_client(&client), m_secrets(&secrets), m_session(&session)
{
}

AuthCoordinator::~AuthCoordinator() = default;

QString AuthCoordinator::randomURLSafe(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return base64Url(bytes);
}

QString AuthCoordinator::s256(const QString& verifier)
{
    return base64Url(QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256));
}

QUrl AuthCoordinator::authorizationURL(const QString& challenge)
{
    QUrl url(authorizeEndpoint(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != u"https" && url.scheme() != u"http") || url.host().isEmpty()) {
        return {};
    }
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("client_id"), QStringLiteral(CORVANE_CLIENT_ID));
    query.addQueryItem(QStringLiteral("redirect_uri"), QString::fromLatin1(redirectURI));
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    query.addQueryItem(QStringLiteral("provider"), QStringLiteral("authkit"));
    query.addQueryItem(QStringLiteral("code_challenge"), challenge);
    query.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
    url.setQuery(query);
    return url;
}

std::expected<QString, AuthError> AuthCoordinator::authorizationCode(const QUrl& callback)
{
    // Items are split by hand: QUrlQuery cannot tell "code" (no value) from "code=" (an empty one).
    if (!callback.isValid() || !callback.hasQuery()) {
        return std::unexpected(AuthError::noCode);
    }
    const QString query = callback.query(QUrl::FullyEncoded);
    for (const auto item : QStringTokenizer(query, u'&')) {
        const auto equals = item.indexOf(u'=');
        const auto name = QUrl::fromPercentEncoding(item.left(equals).toUtf8());
        if (name == u"code") {
            if (equals < 0) {
                return std::unexpected(AuthError::noCode);
            }
            return QUrl::fromPercentEncoding(item.mid(equals + 1).toUtf8());
        }
    }
    return std::unexpected(AuthError::noCode);
}

QWidget* AuthCoordinator::presentationAnchor()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible() && window != m_emptyAnchor.get()) {
            return window;
        }
    }
    if (!windows.isEmpty()) {
        return windows.front();
    }
    m_emptyAnchor = std::make_unique<QWidget>();
    return m_emptyAnchor.get();
}

QCoro::Task<std::expected<ExchangeResponse, SignInFailure>> AuthCoordinator::signIn()
{
    const QString verifier = randomURLSafe(64);
    const QUrl url = authorizationURL(s256(verifier));
    if (!url.isValid()) {
        co_return std::unexpected(Failure::missingURL());
    }

    QPointer self(this);
    const auto outcome
        = co_await m_session->authenticate(url, QString::fromLatin1(callbackScheme), presentationAnchor());
    if (!self) {
        co_return std::unexpected(AuthError::cancelled);
    }
    if (!outcome.callbackURL) {
        if (outcome.error) {
            co_return std::unexpected(WebAuthenticationError{*outcome.error});
        }
        co_return std::unexpected(AuthError::cancelled);
    }
    const auto code = authorizationCode(*outcome.callbackURL);
    if (!code) {
        co_return std::unexpected(code.error());
    }

    auto exchanged = co_await m_client->exchange(*code, verifier);
    if (!self) {
        co_return std::unexpected(AuthError::cancelled);
    }
    if (!exchanged) {
        co_return std::unexpected(exchanged.error());
    }
    const QString key = QString::fromStdString(exchanged->apiKey);
    co_await AppSettings::keychainWrite(*m_secrets, key);
    if (!self) {
        co_return std::unexpected(AuthError::cancelled);
    }
    const auto stored = co_await AppSettings::keychainRead(*m_secrets);
    if (!self) {
        co_return std::unexpected(AuthError::cancelled);
    }
    if (stored != key) {
        co_return std::unexpected(AuthError::keychainWriteFailed);
    }
    AppSettings::setAccountEmail(QString::fromStdString(exchanged->account.email));
    co_return std::move(*exchanged);
}

} // namespace corvane
