#include "http/HttpRequest.h"

namespace corvane::relay {

std::optional<std::string_view> HttpRequest::header(std::string_view name) const
{
    for (const auto& [fieldName, value] : headers) {
        if (fieldName == name) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace corvane::relay
