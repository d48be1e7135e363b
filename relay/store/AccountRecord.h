#pragma once

#include <string>

namespace corvane::relay {

struct AccountRecord {
    std::string id;
    std::string email;
    std::string tier;
};

} // namespace corvane::relay
