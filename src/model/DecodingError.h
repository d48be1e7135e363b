#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Why a JSON value could not be read as a record, and where: `path` names the member that failed,
// relative to the value being decoded ("listeners[3].hook_path"), `reason` says what was wrong with it.
struct DecodingError {
    std::string path;
    std::string reason;

    // "listeners[3].hook_path: required key is missing", or only the reason when the path is empty.
    std::string description() const;

    // The same error seen from the container that holds the failing value under `member`
    // (an object key, or an array index written as "[3]").
    DecodingError within(std::string_view member) const;

    friend bool operator==(const DecodingError&, const DecodingError&) = default;
};

} // namespace corvane
