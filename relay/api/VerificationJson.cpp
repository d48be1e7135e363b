#include "api/VerificationJson.h"

#include "verification/SignatureVerifier.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <variant>

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

// The string value of an optional member: nothing when absent, an empty unexpected when not a string.
std::expected<std::optional<std::string>, std::monostate> text(const nlohmann::json& object, const char* name)
{
    const auto member = object.find(name);
    if (member == object.end()) {
        return std::nullopt;
    }
    if (!member->is_string()) {
        return std::unexpected(std::monostate());
    }
    return member->get<std::string>();
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
    VerificationSettings settings;
    const auto scheme = text(member, "scheme");
    const auto schemeValue = scheme && *scheme ? VerificationNames::scheme(**scheme) : std::nullopt;
    if (!schemeValue) {
        return invalid("verification.scheme must be one of github, stripe, standard, slack, hmac");
    }
    settings.scheme = *schemeValue;

    const auto secret = text(member, "secret");
    if (!secret || (*secret && ((*secret)->empty() || (*secret)->size() > maxSecretBytes))) {
        return invalid("verification.secret must be a string of 1 to 1024 bytes");
    }
    if (*secret && settings.scheme == VerificationScheme::standard && !SignatureVerifier::standardKey(**secret)) {
        return invalid("verification.secret must be \"whsec_\" followed by base64 for the standard scheme");
    }
    settings.secret = secret->value_or("");

    const auto mode = text(member, "mode");
    const auto modeValue = mode && *mode ? VerificationNames::mode(**mode) : std::optional(VerificationMode::mark);
    if (!mode || !modeValue) {
        return invalid("verification.mode must be reject or mark");
    }
    settings.mode = *modeValue;

    if (settings.scheme != VerificationScheme::hmac) {
        for (const auto* name : hmacMembers) {
            if (member.contains(name)) {
                return invalid("verification." + std::string(name) + " is only for the hmac scheme");
            }
        }
        return settings;
    }
    const auto header = text(member, "header");
    if (!header || !*header) {
        return invalid("verification.header is required for hmac");
    }
    if (!isFieldName(**header)) {
        return invalid("verification.header must be a header field name");
    }
    settings.header = **header;
    const auto algorithm = text(member, "algorithm");
    const auto algorithmValue
        = algorithm && *algorithm ? VerificationNames::algorithm(**algorithm) : std::optional(HmacAlgorithm::sha256);
    if (!algorithm || !algorithmValue) {
        return invalid("verification.algorithm must be sha256 or sha1");
    }
    settings.algorithm = *algorithmValue;
    const auto encoding = text(member, "encoding");
    const auto encodingValue
        = encoding && *encoding ? VerificationNames::encoding(**encoding) : std::optional(DigestEncoding::hex);
    if (!encoding || !encodingValue) {
        return invalid("verification.encoding must be hex or base64");
    }
    settings.encoding = *encodingValue;
    const auto prefix = text(member, "prefix");
    if (!prefix) {
        return invalid("verification.prefix must be a string");
    }
    settings.prefix = prefix->value_or("");
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
