#include "api/VerificationJson.h"

#include "verification/SignatureVerifier.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace corvane::relay::VerificationJson {
namespace {

constexpr std::size_t maxSecretBytes = 1024;
constexpr std::array hmacMembers{"header", "algorithm", "encoding", "prefix"};

std::unexpected<HttpResponse> invalid(std::string_view message)
{
    return std::unexpected(HttpResponse::error(400, message));
}

// A header field name: one or more token characters (RFC 9110 section 5.1).
bool isFieldName(std::string_view name)
{
    constexpr std::string_view symbols = "!#$%&'*+-.^_`|~";
    return !name.empty() && std::ranges::all_of(name, [symbols](unsigned char character) {
        return std::isalnum(character) || symbols.find(char(character)) != std::string_view::npos;
    });
}

constexpr std::array members{"scheme", "secret", "mode", "header", "algorithm", "encoding", "prefix"};

// The text of a member known to be a string when present.
std::optional<std::string_view> text(const nlohmann::json& object, const char* name)
{
    const auto member = object.find(name);
    if (member == object.end()) {
        return std::nullopt;
    }
    return std::string_view(member->get_ref<const std::string&>());
}

} // namespace

std::expected<std::optional<VerificationSettings>, HttpResponse> settings(const nlohmann::json& member)
{
    if (member.is_null()) {
        return std::nullopt;
    }
    if (!member.is_object()) {
        return invalid("verification must be an object or null");
    }
    for (const auto* name : members) {
        if (const auto value = member.find(name); value != member.end() && !value->is_string()) {
            return invalid("verification." + std::string(name) + " must be a string");
        }
    }
    VerificationSettings settings;
    const auto scheme = VerificationNames::scheme(text(member, "scheme").value_or(""));
    if (!scheme) {
        return invalid("verification.scheme must be one of github, stripe, standard, slack, hmac");
    }
    settings.scheme = *scheme;

    const auto secret = text(member, "secret");
    if (secret && (secret->empty() || secret->size() > maxSecretBytes)) {
        return invalid("verification.secret must be a string of 1 to 1024 bytes");
    }
    if (secret && settings.scheme == VerificationScheme::standard && !SignatureVerifier::standardKey(*secret)) {
        return invalid("verification.secret must be \"whsec_\" followed by base64 for the standard scheme");
    }
    settings.secret = secret.value_or("");

    const auto mode = VerificationNames::mode(text(member, "mode").value_or("mark"));
    if (!mode) {
        return invalid("verification.mode must be reject or mark");
    }
    settings.mode = *mode;

    if (settings.scheme != VerificationScheme::hmac) {
        for (const auto* name : hmacMembers) {
            if (member.contains(name)) {
                return invalid("verification." + std::string(name) + " is only for the hmac scheme");
            }
        }
        return settings;
    }
    const auto header = text(member, "header");
    if (!header) {
        return invalid("verification.header is required for hmac");
    }
    if (!isFieldName(*header)) {
        return invalid("verification.header must be a header field name");
    }
    settings.header = *header;
    const auto algorithm = VerificationNames::algorithm(text(member, "algorithm").value_or("sha256"));
    if (!algorithm) {
        return invalid("verification.algorithm must be sha256 or sha1");
    }
    settings.algorithm = *algorithm;
    const auto encoding = VerificationNames::encoding(text(member, "encoding").value_or("hex"));
    if (!encoding) {
        return invalid("verification.encoding must be hex or base64");
    }
    settings.encoding = *encoding;
    settings.prefix = text(member, "prefix").value_or("");
    return settings;
}

nlohmann::json answer(const VerificationSettings& settings)
{
    nlohmann::json json{{"scheme", VerificationNames::of(settings.scheme)},
        {"mode", VerificationNames::of(settings.mode)}, {"secret_set", true}};
    if (settings.scheme == VerificationScheme::hmac) {
        json["header"] = settings.header;
        json["algorithm"] = VerificationNames::of(settings.algorithm);
        json["encoding"] = VerificationNames::of(settings.encoding);
        json["prefix"] = settings.prefix;
    }
    return json;
}

} // namespace corvane::relay::VerificationJson
