// Arbitrary bytes as a service response: parsing, decoding every record kind and list, encoding
// back, and equality must hold up for any input.
#include "model/Account.h"
#include "model/JsonFields.h"
#include "model/JsonText.h"
#include "model/Listener.h"
#include "model/Payload.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

template <class Record> void roundTrip(const nlohmann::json& json)
{
    const auto record = Record::fromJson(json);
    if (!record) {
        (void)record.error().description();
        return;
    }
    const auto again = Record::fromJson(record->toJson());
    if (!again || !(*again == *record)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parsed = corvane::parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed) {
        return 0;
    }
    roundTrip<corvane::Payload>(*parsed);
    roundTrip<corvane::Listener>(*parsed);
    roundTrip<corvane::Account>(*parsed);
    // Moving members out of a value must decode exactly what copying them does.
    const auto copied = corvane::JsonFields::decode<std::vector<corvane::Payload>>(*parsed);
    const auto moved = corvane::JsonFields::decode<std::vector<corvane::Payload>>(nlohmann::json(*parsed));
    if (copied.has_value() != moved.has_value() || (copied && !(*copied == *moved))
        || (!copied && copied.error() != moved.error())) {
        std::abort();
    }
    const auto value = corvane::AnyCodable::fromJson(*parsed);
    if (!(value == corvane::AnyCodable::fromJson(value.toJson()))) {
        std::abort();
    }
    return 0;
}
