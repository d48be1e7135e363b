#include "evaluation/PayloadContext.h"

namespace corvane {
namespace {

nlohmann::json plainObject(const std::map<std::string, AnyCodable>& members)
{
    auto object = nlohmann::json::object();
    auto& entries = object.get_ref<nlohmann::json::object_t&>();
    for (const auto& [key, member] : members) {
        entries.emplace_hint(entries.end(), key, member.value);
    }
    return object;
}

} // namespace

nlohmann::json payloadContext(const Payload& payload)
{
    auto context = nlohmann::json::object();
    context["method"] = payload.method;
    context["listener_name"] = payload.listenerName.value_or("");
    if (payload.headers) {
        context["headers"] = plainObject(*payload.headers);
    }
    if (payload.query) {
        context["query"] = plainObject(*payload.query);
    }
    if (payload.body) {
        context["body"] = payload.body->value;
    }
    context["raw_body"] = payload.rawBody.value_or("");
    if (payload.verification) {
        context["verified"] = payload.verification->verified();
    }
    return context;
}

} // namespace corvane
