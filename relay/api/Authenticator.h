#pragma once

#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "store/Store.h"

#include <expected>
#include <optional>
#include <string>

namespace corvane::relay {

// Who sent an API request: the account and, for a key issued by sign-in, the key's hash.
struct Caller {
    AccountRecord account;
    std::optional<std::string> keyHash;
};

// Checks "Authorization: Bearer <key>" against the owner's static token and the keys issued by
// sign-in (kept only as SHA-256 hashes).
class Authenticator {
public:
    Authenticator(Store& reader, AccountRecord owner, std::string staticToken);

    // The caller, or the 401 (503 when the database fails) to answer with.
    std::expected<Caller, HttpResponse> authenticate(const HttpRequest& request) const;

private:
    Store& m_reader;
    AccountRecord m_owner;
    std::string m_staticToken;
};

} // namespace corvane::relay
