#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace corvane::relay {

// Changes announced to the other relay instances on one database, or received from them: accounts
// whose change version moved (each with its highest version), every account moved at once (after a
// retention pass), listeners changed (hook targets cached anywhere may be stale).
struct ChangeBatch {
    std::map<std::string, std::uint64_t> accounts;
    std::optional<std::uint64_t> everyAccount;
    bool listeners = false;

    bool empty() const { return accounts.empty() && !everyAccount && !listeners; }
};

} // namespace corvane::relay
