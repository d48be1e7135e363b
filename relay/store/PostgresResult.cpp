#include "store/PostgresResult.h"

#include <libpq-fe.h>

#include <cstdlib>

namespace corvane::relay {

void PostgresResult::Clearer::operator()(pg_result* result) const
{
    PQclear(result);
}

PostgresResult::PostgresResult(pg_result* result) : m_result(result)
{
}

bool PostgresResult::succeeded() const
{
    const auto status = PQresultStatus(m_result.get());
    return m_result && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
}

std::string PostgresResult::errorMessage(const char* fallback) const
{
    const char* message = m_result ? PQresultErrorMessage(m_result.get()) : "";
    return *message != '\0' ? message : fallback;
}

int PostgresResult::rows() const
{
    return PQntuples(m_result.get());
}

std::int64_t PostgresResult::changed() const
{
    return std::strtoll(PQcmdTuples(m_result.get()), nullptr, 10);
}

std::string PostgresResult::command() const
{
    return PQcmdStatus(m_result.get());
}

bool PostgresResult::isNull(int row, int column) const
{
    return PQgetisnull(m_result.get(), row, column) != 0;
}

std::string PostgresResult::text(int row, int column) const
{
    return {PQgetvalue(m_result.get(), row, column), size(row, column)};
}

std::optional<std::string> PostgresResult::optionalText(int row, int column) const
{
    return isNull(row, column) ? std::nullopt : std::optional(text(row, column));
}

std::int64_t PostgresResult::integer(int row, int column) const
{
    // Binary integers are big-endian two's complement of their column's width.
    const auto* bytes = reinterpret_cast<const unsigned char*>(PQgetvalue(m_result.get(), row, column));
    const auto length = size(row, column);
    std::uint64_t value = length > 0 && (bytes[0] & 0x80U) != 0 && length > 1 ? ~std::uint64_t{0} : 0;
    for (std::size_t index = 0; index < length; ++index) {
        value = (value << 8U) | bytes[index];
    }
    return static_cast<std::int64_t>(value);
}

std::optional<std::int64_t> PostgresResult::optionalInteger(int row, int column) const
{
    return isNull(row, column) ? std::nullopt : std::optional(integer(row, column));
}

std::size_t PostgresResult::size(int row, int column) const
{
    return static_cast<std::size_t>(PQgetlength(m_result.get(), row, column));
}

} // namespace corvane::relay
