#include "api/Authenticator.h"

#include "common/Secrets.h"

#include <cctype>

namespace corvane::relay {
namespace {

HttpResponse unauthorized(std::string_view message)
{
    auto response = HttpResponse::error(401, message);
    response.headers.emplace_back("WWW-Authenticate", "Bearer");
    return response;
}

} // namespace

Authenticator::Authenticator(Store& reader, AccountRecord owner, std::string staticToken)
    : m_reader(reader), m_owner(std::move(owner)), m_staticToken(std::move(staticToken))
{
}

std::expected<Caller, HttpResponse> Authenticator::authenticate(const HttpRequest& request) const
{
    const auto header = request.header("authorization");
    constexpr std::string_view scheme = "bearer ";
    if (!header || header->size() <= scheme.size()) {
        return std::unexpected(unauthorized("missing API key: send Authorization: Bearer <key>"));
    }
    std::string prefix(header->substr(0, scheme.size()));
    for (char& character : prefix) {
        character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    }
    if (prefix != scheme) {
        return std::unexpected(unauthorized("missing API key: send Authorization: Bearer <key>"));
    }
    const std::string key(header->substr(scheme.size()));
    if (!m_staticToken.empty() && Secrets::equal(key, m_staticToken)) {
        return Caller{m_owner, std::nullopt};
    }
    const std::string hash = Secrets::keyHash(key);
    const auto read = m_reader.accountForKey(hash);
    if (!read) {
        return std::unexpected(HttpResponse::error(503, "the database is unavailable"));
    }
    const auto& account = *read;
    if (!account) {
        return std::unexpected(unauthorized("invalid or revoked API key"));
    }
    return Caller{*account, hash};
}

} // namespace corvane::relay
