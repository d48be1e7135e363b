#pragma once

#include "update/UpdateFailure.h"

#include <QByteArray>

#include <expected>

// Detached Ed25519 signatures (RFC 8032) over the exact bytes of the update feed.
namespace corvane::FeedSignature {

// Succeeds when `signature` (base64 of the 64-byte signature; surrounding white space is ignored) is
// `publicKey`'s signature of `document`. `publicKey` is base64 of the raw 32-byte key or of its DER
// SubjectPublicKeyInfo (the body of the PEM file that `openssl pkey -pubout` writes). A key that is
// not an Ed25519 public key fails as misconfigured.
std::expected<void, UpdateFailure> verify(
    const QByteArray& document, const QByteArray& signature, const QByteArray& publicKey);

} // namespace corvane::FeedSignature
