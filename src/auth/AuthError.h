#pragma once

#include "service/Failure.h"

#include <QString>

#include <variant>

namespace corvane {

// Why a sign-in ended without credentials, as far as the sign-in itself can tell.
enum class AuthError {
    noCode, // the callback URL carries no usable "code"
    cancelled, // the browser session ended with neither a callback nor an error
    keychainWriteFailed, // the key read back from the secret store is not the key received
};

QString description(AuthError error);

// The error of the browser session itself, with its own text.
struct WebAuthenticationError {
    QString description;
};

// Everything a sign-in can fail with: its own errors, the browser session's, the service's.
using SignInFailure = std::variant<AuthError, WebAuthenticationError, Failure>;

QString description(const SignInFailure& failure);
bool isCancelled(const SignInFailure& failure);

} // namespace corvane
