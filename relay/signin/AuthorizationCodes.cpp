#include "signin/AuthorizationCodes.h"

#include "common/Secrets.h"

#include <iterator>

namespace corvane::relay {
namespace {

constexpr std::size_t codeBytes = 32;
constexpr std::size_t mostOutstandingCodes = 10000;

} // namespace

AuthorizationCodes::AuthorizationCodes(std::chrono::seconds lifetime) : m_lifetime(lifetime)
{
}

std::string AuthorizationCodes::issue(const AccountRecord& account, const std::string& challenge, Milliseconds now)
{
    dropExpired(now);
    if (m_grants.size() >= mostOutstandingCodes) {
        m_grants.erase(m_grants.begin());
    }
    std::string code = Secrets::randomToken(codeBytes);
    const Milliseconds lifetime = std::chrono::duration_cast<std::chrono::milliseconds>(m_lifetime).count();
    m_grants[Secrets::sha256Hex(code)] = Grant{account, challenge, now + lifetime};
    return code;
}

std::expected<AccountRecord, std::string> AuthorizationCodes::redeem(
    const std::string& code, const std::string& verifier, Milliseconds now)
{
    const auto found = m_grants.find(Secrets::sha256Hex(code));
    if (found == m_grants.end()) {
        return std::unexpected("the code is unknown or was already used");
    }
    const Grant grant = std::move(found->second);
    m_grants.erase(found);
    if (now >= grant.expiresAt) {
        return std::unexpected("the code has expired");
    }
    if (!Secrets::equal(Secrets::s256(verifier), grant.challenge)) {
        return std::unexpected("code_verifier does not match the code challenge");
    }
    return grant.account;
}

void AuthorizationCodes::dropExpired(Milliseconds now)
{
    std::erase_if(m_grants, [now](const auto& entry) { return now >= entry.second.expiresAt; });
}

} // namespace corvane::relay
