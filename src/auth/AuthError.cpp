#include "auth/AuthError.h"

namespace corvane {

QString description(AuthError error)
{
    switch (error) {
    case AuthError::noCode:
        return QStringLiteral("Sign-in did not return an authorization code.");
    case AuthError::cancelled:
        return QStringLiteral("Sign-in was cancelled.");
    case AuthError::keychainWriteFailed:
        return QStringLiteral("Signed in, but couldn't save credentials to the keychain.");
    }
    return {};
}

QString description(const SignInFailure& failure)
{
    struct Describe {
        QString operator()(AuthError error) const { return description(error); }
        QString operator()(const WebAuthenticationError& error) const { return error.description; }
        QString operator()(const Failure& error) const { return error.description; }
    };
    return std::visit(Describe{}, failure);
}

bool isCancelled(const SignInFailure& failure)
{
    const auto* error = std::get_if<AuthError>(&failure);
    return error && *error == AuthError::cancelled;
}

} // namespace corvane
