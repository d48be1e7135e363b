#include "api/PayloadJson.h"

#include "common/JsonSyntax.h"
#include "common/Secrets.h"
#include "store/TimeText.h"

namespace corvane::relay::PayloadJson {
namespace {

// Member names are plain ASCII and need no escaping.
void name(std::string& out, std::string_view member)
{
    out += out.back() == '{' ? "\"" : ",\"";
    out += member;
    out += "\":";
}

void time(std::string& out, Milliseconds value)
{
    out += '"';
    TimeText::appendRfc3339(out, value);
    out += '"';
}

} // namespace

void append(std::string& out, const StoredPayload& payload)
{
    out += '{';
    name(out, "id");
    JsonSyntax::appendString(out, payload.id);
    name(out, "listener_id");
    JsonSyntax::appendString(out, payload.listenerId);
    name(out, "listener_name");
    JsonSyntax::appendString(out, payload.listenerName);
    name(out, "listener_token");
    JsonSyntax::appendString(out, payload.listenerToken);
    name(out, "notification_config");
    out += payload.notificationConfig;
    name(out, "method");
    JsonSyntax::appendString(out, payload.method);
    name(out, "headers");
    out += payload.headers;
    if (payload.query) {
        name(out, "query");
        out += *payload.query;
    }
    const bool cut = payload.bodySize.has_value();
    if (payload.bodyKind == BodyKind::json && !cut) {
        name(out, "body");
        out += JsonSyntax::valueText(payload.rawBody);
    } else if (payload.bodyKind == BodyKind::form && payload.formBody) {
        name(out, "body");
        out += *payload.formBody;
    }
    name(out, "raw_body");
    JsonSyntax::appendString(out, cut ? JsonSyntax::wholeCharacters(payload.rawBody) : payload.rawBody);
    if (cut) {
        name(out, "body_truncated");
        out += "true";
        name(out, "body_size");
        out += std::to_string(*payload.bodySize);
    } else if (!JsonSyntax::isValidUtf8(payload.rawBody)) {
        name(out, "raw_body_base64");
        out += '"';
        out += Secrets::base64(payload.rawBody);
        out += '"';
    }
    name(out, "received_at");
    time(out, payload.receivedAt);
    if (payload.deliveredAt) {
        name(out, "delivered_at");
        time(out, *payload.deliveredAt);
    }
    if (const auto& verification = payload.verification) {
        name(out, "verification");
        out += verification->verified ? R"({"status":"verified")" : R"({"status":"failed","reason":)";
        if (!verification->verified) {
            JsonSyntax::appendString(out, verification->reason);
        }
        out += '}';
    }
    out += '}';
}

} // namespace corvane::relay::PayloadJson
