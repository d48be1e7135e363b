#include "verification/SignatureVerifier.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <memory>

namespace corvane::relay {
namespace {

constexpr std::string_view standardSecretPrefix = "whsec_";

struct MacDeleter {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
    void operator()(EVP_ENCODE_CTX* context) const { EVP_ENCODE_CTX_free(context); }
};

// An HMAC context per algorithm and thread, its digest chosen once: fetching the implementation and
// the digest by name takes locks and lookups, so that each use only sets the key. Null when OpenSSL
// fails.
EVP_MAC_CTX* macContext(HmacAlgorithm algorithm)
{
    struct Contexts {
        std::unique_ptr<EVP_MAC, MacDeleter> mac{EVP_MAC_fetch(nullptr, "HMAC", nullptr)};
        std::array<std::unique_ptr<EVP_MAC_CTX, MacDeleter>, 2> byAlgorithm;
    };
    thread_local Contexts contexts;
    auto& context = contexts.byAlgorithm.at(std::size_t(algorithm));
    if (!context && contexts.mac) {
        std::unique_ptr<EVP_MAC_CTX, MacDeleter> created(EVP_MAC_CTX_new(contexts.mac.get()));
        std::array<char, 8> digestName{};
        std::ranges::copy(algorithm == HmacAlgorithm::sha1 ? std::string_view("SHA1") : std::string_view("SHA256"),
            digestName.begin());
        const std::array parameters{
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName.data(), 0), OSSL_PARAM_construct_end()};
        if (created && EVP_MAC_CTX_set_params(created.get(), parameters.data()) == 1) {
            context = std::move(created);
        }
    }
    return context.get();
}

// The HMAC of the parts, one after the other, in `encoding`: upper-case hex or standard base64.
// Empty only when OpenSSL fails.
std::string hmac(HmacAlgorithm algorithm, DigestEncoding encoding, std::string_view key,
    std::initializer_list<std::string_view> parts)
{
    EVP_MAC_CTX* context = macContext(algorithm);
    if (context == nullptr
        || EVP_MAC_init(context, reinterpret_cast<const unsigned char*>(key.data()), key.size(), nullptr) != 1) {
        return {};
    }
    for (const auto part : parts) {
        if (EVP_MAC_update(context, reinterpret_cast<const unsigned char*>(part.data()), part.size()) != 1) {
            return {};
        }
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    std::size_t size = 0;
    if (EVP_MAC_final(context, digest.data(), &size, digest.size()) != 1) {
        return {};
    }
    if (encoding == DigestEncoding::base64) {
        std::string text(4 * ((size + 2) / 3), '\0');
        const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), digest.data(), int(size));
        text.resize(std::size_t(length));
        return text;
    }
    std::string text(2 * size + 1, '\0');
    std::size_t length = 0;
    if (OPENSSL_buf2hexstr_ex(text.data(), text.size(), &length, digest.data(), size, '\0') != 1) {
        return {};
    }
    text.resize(length - 1);
    return text;
}

// Whether a signature sent equals the one computed, in time that does not depend on where they
// differ. Hex is compared in either case (`computed` is upper-case).
bool matches(std::string_view sent, const std::string& computed, DigestEncoding encoding)
{
    if (computed.empty() || sent.size() != computed.size()) {
        return false;
    }
    std::string candidate(sent);
    if (encoding == DigestEncoding::hex) {
        std::ranges::transform(candidate, candidate.begin(),
            [](unsigned char character) { return static_cast<char>(std::toupper(character)); });
    }
    return CRYPTO_memcmp(candidate.data(), computed.data(), computed.size()) == 0;
}

std::optional<std::string_view> header(const SignatureVerifier::Headers& headers, std::string_view name)
{
    for (const auto& [fieldName, value] : headers) {
        if (fieldName == name) {
            return value;
        }
    }
    return std::nullopt;
}

std::string lowerCase(std::string_view text)
{
    std::string lowered(text);
    std::ranges::transform(
        lowered, lowered.begin(), [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
    return lowered;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Unix seconds written as decimal digits only.
std::optional<std::int64_t> seconds(std::string_view text)
{
    std::int64_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || error != std::errc() || stop != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool withinTolerance(std::int64_t timestamp, std::int64_t nowSeconds)
{
    const auto difference = timestamp > nowSeconds ? timestamp - nowSeconds : nowSeconds - timestamp;
    return difference <= SignatureVerifier::toleranceSeconds;
}

VerificationOutcome failed(std::string_view reason)
{
    return VerificationOutcome{false, reason, std::nullopt};
}

// The verdict once the signature is known to match or not, for the schemes that sign a timestamp.
VerificationOutcome timed(bool matched, std::int64_t timestamp, std::int64_t nowSeconds)
{
    if (!matched) {
        return failed(SignatureVerifier::noMatch);
    }
    if (!withinTolerance(timestamp, nowSeconds)) {
        return failed(SignatureVerifier::outsideTolerance);
    }
    return VerificationOutcome{true, {}, std::nullopt};
}

} // namespace

SignatureVerifier::SignatureVerifier(const VerificationSettings& settings) : m_settings(settings)
{
}

VerificationOutcome SignatureVerifier::verify(
    const Headers& headers, std::string_view body, std::int64_t nowSeconds) const
{
    switch (m_settings.scheme) {
    case VerificationScheme::github:
        return verifyGithub(headers, body);
    case VerificationScheme::stripe:
        return verifyStripe(headers, body, nowSeconds);
    case VerificationScheme::standard:
        return verifyStandard(headers, body, nowSeconds);
    case VerificationScheme::slack:
        return verifySlack(headers, body, nowSeconds);
    case VerificationScheme::hmac:
        return verifyHmac(headers, body);
    }
    return failed(noMatch);
}

std::optional<std::string> SignatureVerifier::standardKey(std::string_view secret)
{
    if (!secret.starts_with(standardSecretPrefix)) {
        return std::nullopt;
    }
    const auto encoded = secret.substr(standardSecretPrefix.size());
    // OpenSSL's decoder skips white space and stops at '-'; a secret holding either is not base64.
    const bool alphabet = std::ranges::all_of(encoded, [](unsigned char character) {
        return std::isalnum(character) || character == '+' || character == '/' || character == '=';
    });
    if (encoded.empty() || !alphabet) {
        return std::nullopt;
    }
    const std::unique_ptr<EVP_ENCODE_CTX, MacDeleter> context(EVP_ENCODE_CTX_new());
    if (!context) {
        return std::nullopt;
    }
    std::string key(encoded.size() / 4 * 3 + 3, '\0');
    int length = 0;
    int finalLength = 0;
    EVP_DecodeInit(context.get());
    if (EVP_DecodeUpdate(context.get(), reinterpret_cast<unsigned char*>(key.data()), &length,
            reinterpret_cast<const unsigned char*>(encoded.data()), int(encoded.size()))
            < 0
        || EVP_DecodeFinal(context.get(), reinterpret_cast<unsigned char*>(key.data()) + length, &finalLength) != 1) {
        return std::nullopt;
    }
    key.resize(std::size_t(length) + std::size_t(finalLength));
    if (key.empty()) {
        return std::nullopt;
    }
    return key;
}

VerificationOutcome SignatureVerifier::verifyGithub(const Headers& headers, std::string_view body) const
{
    constexpr std::string_view prefix = "sha256=";
    const auto signature = header(headers, "x-hub-signature-256");
    if (!signature) {
        return failed(missingSignature);
    }
    if (!signature->starts_with(prefix)) {
        return failed(malformedSignature);
    }
    const auto computed = hmac(HmacAlgorithm::sha256, DigestEncoding::hex, m_settings.secret, {body});
    if (!matches(signature->substr(prefix.size()), computed, DigestEncoding::hex)) {
        return failed(noMatch);
    }
    return VerificationOutcome{true, {}, std::nullopt};
}

VerificationOutcome SignatureVerifier::verifyStripe(
    const Headers& headers, std::string_view body, std::int64_t nowSeconds) const
{
    const auto signature = header(headers, "stripe-signature");
    if (!signature) {
        return failed(missingSignature);
    }
    std::optional<std::string_view> timestampText;
    std::vector<std::string_view> candidates;
    for (std::string_view rest = *signature; !rest.empty();) {
        const auto comma = rest.find(',');
        const auto item = trimmed(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (item.starts_with("t=") && !timestampText) {
            timestampText = item.substr(2);
        } else if (item.starts_with("v1=")) {
            candidates.push_back(item.substr(3));
        }
    }
    const auto timestamp = timestampText ? seconds(*timestampText) : std::nullopt;
    if (!timestamp || candidates.empty()) {
        return failed(malformedSignature);
    }
    const auto computed
        = hmac(HmacAlgorithm::sha256, DigestEncoding::hex, m_settings.secret, {*timestampText, ".", body});
    const bool matched = std::ranges::any_of(
        candidates, [&](std::string_view candidate) { return matches(candidate, computed, DigestEncoding::hex); });
    return timed(matched, *timestamp, nowSeconds);
}

VerificationOutcome SignatureVerifier::verifyStandard(
    const Headers& headers, std::string_view body, std::int64_t nowSeconds) const
{
    const auto signature = header(headers, "webhook-signature");
    if (!signature) {
        return failed(missingSignature);
    }
    const auto timestampText = header(headers, "webhook-timestamp");
    if (!timestampText) {
        return failed(missingTimestamp);
    }
    const auto id = header(headers, "webhook-id");
    if (!id || id->empty()) {
        return failed(missingWebhookId);
    }
    std::vector<std::string_view> candidates;
    for (std::string_view rest = *signature; !rest.empty();) {
        const auto space = rest.find(' ');
        const auto item = rest.substr(0, space);
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        if (item.starts_with("v1,")) {
            candidates.push_back(item.substr(3));
        }
    }
    const auto timestamp = seconds(*timestampText);
    if (!timestamp || candidates.empty()) {
        return failed(malformedSignature);
    }
    const auto key = standardKey(m_settings.secret);
    const auto computed = key
        ? hmac(HmacAlgorithm::sha256, DigestEncoding::base64, *key, {*id, ".", *timestampText, ".", body})
        : std::string();
    const bool matched = std::ranges::any_of(
        candidates, [&](std::string_view candidate) { return matches(candidate, computed, DigestEncoding::base64); });
    auto outcome = timed(matched, *timestamp, nowSeconds);
    if (outcome.verified) {
        outcome.webhookId = std::string(*id);
    }
    return outcome;
}

VerificationOutcome SignatureVerifier::verifySlack(
    const Headers& headers, std::string_view body, std::int64_t nowSeconds) const
{
    constexpr std::string_view prefix = "v0=";
    const auto signature = header(headers, "x-slack-signature");
    if (!signature) {
        return failed(missingSignature);
    }
    const auto timestampText = header(headers, "x-slack-request-timestamp");
    if (!timestampText) {
        return failed(missingTimestamp);
    }
    const auto timestamp = seconds(*timestampText);
    if (!timestamp || !signature->starts_with(prefix)) {
        return failed(malformedSignature);
    }
    const auto computed
        = hmac(HmacAlgorithm::sha256, DigestEncoding::hex, m_settings.secret, {"v0:", *timestampText, ":", body});
    return timed(matches(signature->substr(prefix.size()), computed, DigestEncoding::hex), *timestamp, nowSeconds);
}

VerificationOutcome SignatureVerifier::verifyHmac(const Headers& headers, std::string_view body) const
{
    const auto signature = header(headers, lowerCase(m_settings.header));
    if (!signature) {
        return failed(missingSignature);
    }
    if (!signature->starts_with(m_settings.prefix)) {
        return failed(malformedSignature);
    }
    const auto computed = hmac(m_settings.algorithm, m_settings.encoding, m_settings.secret, {body});
    if (!matches(signature->substr(m_settings.prefix.size()), computed, m_settings.encoding)) {
        return failed(noMatch);
    }
    return VerificationOutcome{true, {}, std::nullopt};
}

} // namespace corvane::relay
