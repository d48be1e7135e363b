#pragma once

#include "store/ChangeBatch.h"

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::relay {

// The text of announcements, one item a line: "a <version> <account id>", "* <version>" (every
// account), "l" (listeners changed). Versions are decimal; account ids are letters, digits, '_' and '-'.
class ChangeMessage {
public:
    // PostgreSQL's limit on a notification's payload is 8000 bytes.
    static constexpr std::size_t maxBytes = 7999;
    static constexpr std::size_t maxAccountIdBytes = 128;

    // The batch as messages of at most maxBytes each (none for an empty batch).
    static std::vector<std::string> encode(const ChangeBatch& batch);
    // The batch a message holds, or what is wrong with it; nothing of a malformed message is taken.
    static std::expected<ChangeBatch, std::string> decode(std::string_view text);
};

} // namespace corvane::relay
