#pragma once

#include "store/AccountRecord.h"
#include "store/Milliseconds.h"

#include <chrono>
#include <cstddef>
#include <expected>
#include <map>
#include <string>

namespace corvane::relay {

// Single-use sign-in codes, each bound to an account and a PKCE challenge, kept in memory: a code
// outlives neither its lifetime nor a restart. Used on the I/O thread only.
class AuthorizationCodes {
public:
    explicit AuthorizationCodes(std::chrono::seconds lifetime);

    std::string issue(const AccountRecord& account, const std::string& challenge, Milliseconds now);

    // Consumes the code whatever the outcome, so a code is tried at most once. Fails with the reason
    // when the code is unknown, used, expired, or the verifier does not match its challenge.
    std::expected<AccountRecord, std::string> redeem(
        const std::string& code, const std::string& verifier, Milliseconds now);

private:
    struct Grant {
        AccountRecord account;
        std::string challenge;
        Milliseconds expiresAt = 0;
    };

    void dropExpired(Milliseconds now);

    std::chrono::seconds m_lifetime;
    // Keyed by the SHA-256 of the code, so the codes themselves are not kept.
    std::map<std::string, Grant> m_grants;
};

} // namespace corvane::relay
