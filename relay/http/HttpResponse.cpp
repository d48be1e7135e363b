#include "http/HttpResponse.h"

namespace corvane::relay {

HttpResponse HttpResponse::json(unsigned status, const nlohmann::json& body)
{
    HttpResponse response;
    response.status = status;
    response.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return response;
}

HttpResponse HttpResponse::error(unsigned status, std::string_view message)
{
    auto response = json(status, {{"error", message}});
    if (status == 503) {
        response.headers.emplace_back("Retry-After", "1");
    }
    return response;
}

HttpResponse HttpResponse::empty(unsigned status)
{
    HttpResponse response;
    response.status = status;
    response.contentType = {};
    return response;
}

} // namespace corvane::relay
