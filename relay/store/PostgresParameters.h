#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::relay {

// The parameters of one PostgreSQL query, $1 on in the order added, each sent in binary form with its
// type named. Text and bytes are not copied: they must stay alive until the query has run.
class PostgresParameters {
public:
    PostgresParameters& text(std::string_view value);
    PostgresParameters& text(const std::string& value) { return text(std::string_view(value)); }
    PostgresParameters& text(const std::optional<std::string>& value);
    PostgresParameters& bytes(std::string_view value);
    PostgresParameters& bytes(const std::string& value) { return bytes(std::string_view(value)); }
    PostgresParameters& bytes(const std::optional<std::string>& value);
    PostgresParameters& integer(std::int64_t value);
    PostgresParameters& integer(std::optional<std::int64_t> value);
    PostgresParameters& boolean(bool value);

    int count() const { return static_cast<int>(m_values.size()); }
    const unsigned* types() const { return m_types.data(); }
    const char* const* values() const { return m_values.data(); }
    const int* lengths() const { return m_lengths.data(); }
    const int* formats() const { return m_formats.data(); }

private:
    PostgresParameters& add(unsigned type, const char* value, std::size_t length);

    std::vector<unsigned> m_types;
    std::vector<const char*> m_values;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
    // The network-order bytes of the numbers; a deque keeps them in place as it grows.
    std::deque<std::string> m_encoded;
};

} // namespace corvane::relay
