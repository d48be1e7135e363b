#pragma once

#include "auth/AuthError.h"
#include "service/MessageBodies.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <expected>
#include <memory>

namespace corvane {

class SecretStore;
class ServiceClient;
class WebAuthenticationSession;

// Browser sign-in with the OAuth 2.0 authorization-code flow and PKCE (RFC 7636, method S256): the
// identity provider's page in the browser, the code exchanged at the relay service for an API key,
// the key kept in the secret store and the account e-mail in the settings.
class AuthCoordinator : public QObject {
    Q_OBJECT

public:
    AuthCoordinator(
        ServiceClient& client, SecretStore& secrets, WebAuthenticationSession& session, QObject* parent = nullptr);
    ~AuthCoordinator() override;

    // On success the key is stored and read back, and "accountEmail" is stored.
    QCoro::Task<std::expected<ExchangeResponse, SignInFailure>> signIn();

    // The window the browser session's sheet is placed over: the first visible top-level window, else
    // the first one, else a new empty window.
    QWidget* presentationAnchor();

    // `count` bytes from the operating system's secure random source, Base64url without padding.
    static QString randomURLSafe(int count);
    // The S256 code challenge of `verifier`: Base64url (no padding) of its SHA-256 digest.
    static QString s256(const QString& verifier);
    // The authorize endpoint with client_id, redirect_uri, response_type, provider, code_challenge
    // and code_challenge_method, in that order. Invalid when the endpoint is not an http(s) URL.
    static QUrl authorizationURL(const QString& challenge);
    // The value of the first "code" item of the callback's query; an empty value counts.
    static std::expected<QString, AuthError> authorizationCode(const QUrl& callback);

    static constexpr auto redirectURI = "corvane://auth/callback";
    static constexpr auto callbackScheme = "corvane";

private:
    ServiceClient* m_client;
    SecretStore* m_secrets;
    WebAuthenticationSession* m_session;
    std::unique_ptr<QWidget> m_emptyAnchor;
};

} // namespace corvane
