#include "model/DecodingError.h"

namespace corvane {

std::string DecodingError::description() const
{
    return path.empty() ? reason : path + ": " + reason;
}

DecodingError DecodingError::within(std::string_view member) const
{
    std::string joined(member);
    if (!path.empty()) {
        if (path.front() != '[') {
            joined += '.';
        }
        joined += path;
    }
    return {std::move(joined), reason};
}

} // namespace corvane
