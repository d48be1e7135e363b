#include "api/PayloadJson.h"

#include "signin/Secrets.h"

namespace corvane::relay::PayloadJson {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` (RFC 3629), 0 when there is none.
std::size_t sequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const auto continuation = [&](std::size_t index) { return index < text.size() && (byte(index) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continuation(1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (text.size() < 3 || !continuation(1) || !continuation(2)) {
            return 0;
        }
        const bool overlong = lead == 0xE0 && byte(1) < 0xA0;
        const bool surrogate = lead == 0xED && byte(1) >= 0xA0;
        return overlong || surrogate ? 0 : 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (text.size() < 4 || !continuation(1) || !continuation(2) || !continuation(3)) {
            return 0;
        }
        const bool overlong = lead == 0xF0 && byte(1) < 0x90;
        const bool beyondUnicode = lead == 0xF4 && byte(1) >= 0x90;
        return overlong || beyondUnicode ? 0 : 4;
    }
    return 0;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const auto length = sequenceLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

nlohmann::json encode(const Payload& payload)
{
    auto json = payload.toJson();
    if (payload.rawBody && !isValidUtf8(*payload.rawBody)) {
        json["raw_body_base64"] = Secrets::base64(*payload.rawBody);
    }
    return json;
}

} // namespace corvane::relay::PayloadJson
