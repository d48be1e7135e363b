#include "store/PostgresParameters.h"

#include <bit>
#include <climits>
#include <cstring>

namespace corvane::relay {
namespace {

// The type oids of PostgreSQL's catalog (pg_type), fixed since long before any version this runs on.
constexpr unsigned booleanType = 16;
constexpr unsigned byteaType = 17;
constexpr unsigned bigintType = 20;
constexpr unsigned textType = 25;

} // namespace

PostgresParameters& PostgresParameters::add(unsigned type, const char* value, std::size_t length)
{
    m_types.push_back(type);
    m_values.push_back(value);
    m_lengths.push_back(static_cast<int>(length));
    m_formats.push_back(1);
    return *this;
}

PostgresParameters& PostgresParameters::text(std::string_view value)
{
    // A null pointer would stand for SQL NULL; empty text still needs an address.
    return add(textType, value.empty() ? "" : value.data(), value.size());
}

PostgresParameters& PostgresParameters::text(const std::optional<std::string>& value)
{
    return value ? text(std::string_view(*value)) : add(textType, nullptr, 0);
}

PostgresParameters& PostgresParameters::bytes(std::string_view value)
{
    return add(byteaType, value.empty() ? "" : value.data(), value.size());
}

PostgresParameters& PostgresParameters::bytes(const std::optional<std::string>& value)
{
    return value ? bytes(std::string_view(*value)) : add(byteaType, nullptr, 0);
}

PostgresParameters& PostgresParameters::integer(std::int64_t value)
{
    auto network = static_cast<std::uint64_t>(value);
    if constexpr (std::endian::native == std::endian::little) {
        network = std::byteswap(network);
    }
    auto& encoded = m_encoded.emplace_back(sizeof network, '\0');
    std::memcpy(encoded.data(), &network, sizeof network);
    return add(bigintType, encoded.data(), encoded.size());
}

PostgresParameters& PostgresParameters::integer(std::optional<std::int64_t> value)
{
    return value ? integer(*value) : add(bigintType, nullptr, 0);
}

PostgresParameters& PostgresParameters::boolean(bool value)
{
    return add(booleanType, value ? "\1" : "\0", 1);
}

} // namespace corvane::relay
