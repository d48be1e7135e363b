#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::relay {

enum class VerificationScheme { github, stripe, standard, slack, hmac };
enum class VerificationMode { reject, mark };
enum class HmacAlgorithm { sha256, sha1 };
enum class DigestEncoding { hex, base64 };

// How a listener checks that a request comes from its sender: an HMAC scheme and the secret shared
// with the sender. `header`, `algorithm`, `encoding` and `prefix` apply to the hmac scheme only.
struct VerificationSettings {
    VerificationScheme scheme = VerificationScheme::github;
    VerificationMode mode = VerificationMode::mark;
    // As the sender was given it (a standard secret with its "whsec_"). Never answered or logged.
    std::string secret;
    // A header field name as given, such as "X-Signature".
    std::string header;
    HmacAlgorithm algorithm = HmacAlgorithm::sha256;
    DigestEncoding encoding = DigestEncoding::hex;
    std::string prefix;

    friend bool operator==(const VerificationSettings&, const VerificationSettings&) = default;
};

// The names the API and the store use for these values, and back; nothing for an unknown name.
namespace VerificationNames {

std::string_view of(VerificationScheme scheme);
std::string_view of(VerificationMode mode);
std::string_view of(HmacAlgorithm algorithm);
std::string_view of(DigestEncoding encoding);

std::optional<VerificationScheme> scheme(std::string_view name);
std::optional<VerificationMode> mode(std::string_view name);
std::optional<HmacAlgorithm> algorithm(std::string_view name);
std::optional<DigestEncoding> encoding(std::string_view name);

} // namespace VerificationNames

} // namespace corvane::relay
