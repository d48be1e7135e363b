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
#include <utility>
#include <vector>

// Typed reading and writing of JSON members for the wire records and the envelopes around them.
//
// Reading takes a JSON value either by const reference (it is copied from) or as an rvalue (its strings
// and nested values are moved out, which matters for large poll responses).
namespace corvane::JsonFields {

// "expected a string, found null"
DecodingError typeMismatch(std::string_view expected, const nlohmann::json& found);

template <class T> inline constexpr bool isVector = false;
template <class T> inline constexpr bool isVector<std::vector<T>> = true;

template <class T> inline constexpr bool isStringMap = false;
template <class T> inline constexpr bool isStringMap<std::map<std::string, T>> = true;

// `member` of a value received as `Json&&`: moved from when that value was an rvalue.
template <class Json, class Member> decltype(auto) passOn(Member& member)
{
    if constexpr (std::is_reference_v<Json>) {
        return std::as_const(member);
    } else {
        return std::move(member);
    }
}

// Reads one value as T: text, Boolean, 64-bit integer, AnyCodable, a list or string-keyed map of
// those, or a record with a static fromJson. A list fails when any element fails.
template <class T, class Json> std::expected<T, DecodingError> decode(Json&& value)
{
    static_assert(std::is_same_v<std::remove_cvref_t<Json>, nlohmann::json>);
    constexpr bool owned = !std::is_reference_v<Json>;
    if constexpr (std::is_same_v<T, std::string>) {
        if (!value.is_string()) {
            return std::unexpected(typeMismatch("a string", value));
        }
        if constexpr (owned) {
            return std::move(value.template get_ref<std::string&>());
        } else {
            return value.template get<std::string>();
        }
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!value.is_boolean()) {
            return std::unexpected(typeMismatch("a boolean", value));
        }
        return value.template get<bool>();
    } else if constexpr (std::is_same_v<T, std::int64_t>) {
        if (!value.is_number_integer()) {
            return std::unexpected(typeMismatch("an integer", value));
        }
        if (value.is_number_unsigned() && value.template get<std::uint64_t>() > std::uint64_t{INT64_MAX}) {
            return std::unexpected(DecodingError{{}, "number does not fit a 64-bit integer"});
        }
        return value.template get<std::int64_t>();
    } else if constexpr (std::is_same_v<T, AnyCodable>) {
        return AnyCodable::fromJson(std::forward<Json>(value));
    } else if constexpr (isVector<T>) {
        if (!value.is_array()) {
            return std::unexpected(typeMismatch("an array", value));
        }
        T elements;
        elements.reserve(value.size());
        for (std::size_t index = 0; index < value.size(); ++index) {
            auto element = decode<typename T::value_type>(passOn<Json>(value[index]));
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
        for (auto&& [key, member] : value.items()) {
            auto decoded = decode<typename T::mapped_type>(passOn<Json>(member));
            if (!decoded) {
                return std::unexpected(decoded.error().within(key));
            }
            members.emplace_hint(members.end(), key, std::move(*decoded));
        }
        return members;
    } else {
        return T::fromJson(std::forward<Json>(value));
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
// is skipped, so a record's fromJson reads as a plain list of its members. `Json` is
// `const nlohmann::json&` to copy members out, or `nlohmann::json` to move them out.
template <class Json> class ObjectReader {
public:
    explicit ObjectReader(Json&& object) : m_object(object)
    {
        if (!object.is_object()) {
            m_error = typeMismatch("an object", object);
        }
    }

    // A missing key, or a value of the wrong type (null included), fails.
    template <class T> void required(std::string_view key, T& target)
    {
        if (m_error) {
            return;
        }
        const auto member = m_object.find(key);
        if (member == m_object.end()) {
            m_error = DecodingError{std::string(key), "required key is missing"};
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
    template <class T, class Member> void read(std::string_view key, Member& member, T& target)
    {
        auto decoded = decode<T>(passOn<Json>(member));
        if (decoded) {
            target = std::move(*decoded);
        } else {
            m_error = decoded.error().within(key);
        }
    }

    std::remove_reference_t<Json>& m_object;
    std::optional<DecodingError> m_error;
};

ObjectReader(const nlohmann::json&) -> ObjectReader<const nlohmann::json&>;
ObjectReader(nlohmann::json&) -> ObjectReader<const nlohmann::json&>;
ObjectReader(nlohmann::json&&) -> ObjectReader<nlohmann::json>;

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
