#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Random identifiers and keys, hashing and comparison of secrets (OpenSSL underneath).
namespace corvane::relay::Secrets {

// `byteCount` bytes from the cryptographically secure generator, in unpadded base64url.
std::string randomToken(std::size_t byteCount);

// `prefix` followed by 24 lower-case hexadecimal digits (96 random bits).
std::string randomId(std::string_view prefix);

// `prefix`, the time as 12 hexadecimal digits, then 16 random ones: identifiers made later sort later,
// so indexes on them grow at one end.
std::string orderedId(std::string_view prefix, std::int64_t milliseconds);

// Lower-case hexadecimal SHA-256 of the text.
std::string sha256Hex(std::string_view text);

// The hash under which an API key is stored.
std::string keyHash(std::string_view key);

// The PKCE S256 challenge of a verifier (RFC 7636 section 4.2): BASE64URL(SHA256(verifier)).
std::string s256(std::string_view verifier);

// Whether two secrets are equal, in time that does not depend on where they differ.
bool equal(std::string_view left, std::string_view right);

// Standard base64 with padding.
std::string base64(std::string_view bytes);

} // namespace corvane::relay::Secrets
