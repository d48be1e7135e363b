#pragma once

#include "model/AnyCodable.h"
#include "model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <expected>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Typed reading and writing of JSON members for the wire records and the envelopes around them.
namespace corvane::JsonFields {

// "expected a string, found null"
DecodingError typeMismatch(std::string_view expected, const nlohmann::json& found);

template <class T> inline constexpr bool isVector = false;
template <class T> inline constexpr bool isVector<std::vector<T>> = true;

template <class T> inline constexpr bool isStringMap = false;
template <class T> inline constexpr bool isStringMap<std::map<std::string, T>> = true;

// Reads one value as T: text, Boolean, 64-bit integer, AnyCodable, a list or string-keyed map of
// those, or a record with a static fromJson. A list fails when any element fails.
template <class T> std::expected<T, DecodingError> decode(const nlohmann::json& value)
{
    if constexpr (std::is_same_v<T, std::string>) {
        if (!value.is_string()) {
            return std::unexpected(typeMismatch("a string", value));
        }
        return value.get<std::string>();
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!value.is_boolean()) {
            return std::unexpected(typeMismatch("a boolean", value));
        }
        return value.get<bool>();
    } else if constexpr (std::is_same_v<T, std::int64_t>) {
        if (!value.is_number_integer()) {
            return std::unexpected(typeMismatch("an integer", value));
        }
        if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::uint64_t { INT64_MAX }) {
            return std::unexpected(DecodingError { {}, "number does not fit a 64-bit integer" });
        }
        return value.get<std::int64_t>();
    } else if constexpr (std::is_same_v<T, AnyCodable>) {
        return AnyCodable::fromJson(value);
    } else if constexpr (isVector<T>) {
        if (!value.is_array()) {
            return std::unexpected(typeMismatch("an array", value));
        }
        T elements;
        elements.reserve(value.size());
        for (std::size_t index = 0; index < value.size(); ++index) {
            auto element = decode<typename T::value_type>(value[index]);
            if (!element) {
                return std::unexpected(element.error().within("[" + std::to_string(index) + "]"));
            }
            elements.push_back(std::move(*element));
        }
        return elements;
    } else if constexpr (isStringMap<T>) {
        if (!value.is_object()) {
            return std::unexpected(typeMismatch("an object", value));
        }
        T members;
        for (const auto& [key, member] : value.items()) {
            auto decoded = decode<typename T::mapped_type>(member);
            if (!decoded) {
                return std::unexpected(decoded.error().within(key));
            }
            members.emplace_hint(members.end(), key, std::move(*decoded));
        }
        return members;
    } else {
        return T::fromJson(value);
    }
}

// Writes one value of any type that decode reads.
template <class T> nlohmann::json encode(const T& value)
{
    if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, bool> || std::is_same_v<T, std::int64_t>) {
        return value;
    } else if constexpr (isVector<T>) {
        nlohmann::json elements = nlohmann::json::array();
        for (const auto& element : value) {
            elements.push_back(encode(element));
        }
        return elements;
    } else if constexpr (isStringMap<T>) {
        nlohmann::json members = nlohmann::json::object();
        for (const auto& [key, member] : value) {
            members[key] = encode(member);
        }
        return members;
    } else {
        return value.toJson();
    }
}

// Reads the members of one JSON object into a record. The first failure is kept and every later read
// is skipped, so a record's fromJson reads as a plain list of its members.
class ObjectReader {
public:
    explicit ObjectReader(const nlohmann::json& object);

    // A missing key, or a value of the wrong type (null included), fails.
    template <class T> void required(std::string_view key, T& target)
    {
        if (m_error) {
            return;
        }
        const auto member = m_object.find(key);
        if (member == m_object.end()) {
            m_error = DecodingError { std::string(key), "required key is missing" };
            return;
        }
        read(key, *member, target);
    }

    // A missing key and a null value both leave `target` empty.
    template <class T> void optional(std::string_view key, std::optional<T>& target)
    {
        if (m_error) {
            return;
        }
        const auto member = m_object.find(key);
        if (member == m_object.end() || member->is_null()) {
            target.reset();
            return;
        }
        read(key, *member, target.emplace());
    }

    template <class Record> std::expected<Record, DecodingError> finish(Record&& record) const
    {
        if (m_error) {
            return std::unexpected(*m_error);
        }
        return std::forward<Record>(record);
    }

private:
    template <class T> void read(std::string_view key, const nlohmann::json& member, T& target)
    {
        auto decoded = decode<T>(member);
        if (decoded) {
            target = std::move(*decoded);
        } else {
            m_error = decoded.error().within(key);
        }
    }

    const nlohmann::json& m_object;
    std::optional<DecodingError> m_error;
};

// Writes a required member.
template <class T> void put(nlohmann::json& object, std::string_view key, const T& value)
{
    object[std::string(key)] = encode(value);
}

// Writes an optional member only when it is present; an absent member is left out, never null.
template <class T> void put(nlohmann::json& object, std::string_view key, const std::optional<T>& value)
{
    if (value) {
        put(object, key, *value);
    }
}

} // namespace corvane::JsonFields
