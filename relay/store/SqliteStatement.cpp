#include "store/SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

namespace corvane::relay {

SqliteStatement::SqliteStatement(sqlite3_stmt* statement) : m_statement(statement)
{
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)), m_bindResult(other.m_bindResult)
{
}

SqliteStatement::~SqliteStatement()
{
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text)
{
    const int result = sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
    m_bindResult = m_bindResult == SQLITE_OK ? result : m_bindResult;
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t number)
{
    const int result = sqlite3_bind_int64(m_statement, index, number);
    m_bindResult = m_bindResult == SQLITE_OK ? result : m_bindResult;
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::optional<std::string>& text)
{
    if (text) {
        return bind(index, std::string_view(*text));
    }
    const int result = sqlite3_bind_null(m_statement, index);
    m_bindResult = m_bindResult == SQLITE_OK ? result : m_bindResult;
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::optional<std::int64_t> number)
{
    if (number) {
        return bind(index, *number);
    }
    const int result = sqlite3_bind_null(m_statement, index);
    m_bindResult = m_bindResult == SQLITE_OK ? result : m_bindResult;
    return *this;
}

SqliteStatement& SqliteStatement::bindBlob(int index, std::string_view bytes)
{
    const int result = sqlite3_bind_blob64(m_statement, index, bytes.data(), bytes.size(), SQLITE_STATIC);
    m_bindResult = m_bindResult == SQLITE_OK ? result : m_bindResult;
    return *this;
}

StoreResult<bool> SqliteStatement::step()
{
    if (m_bindResult != SQLITE_OK) {
        return std::unexpected(StoreError{std::string("cannot bind a parameter: ") + sqlite3_errstr(m_bindResult)});
    }
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    return std::unexpected(failure());
}

StoreResult<std::int64_t> SqliteStatement::run()
{
    for (;;) {
        auto row = step();
        if (!row) {
            return std::unexpected(row.error());
        }
        if (!*row) {
            return sqlite3_changes64(sqlite3_db_handle(m_statement));
        }
    }
}

std::string SqliteStatement::text(int column) const
{
    const auto* characters = sqlite3_column_text(m_statement, column);
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column));
    return characters ? std::string(reinterpret_cast<const char*>(characters), size) : std::string();
}

std::optional<std::string> SqliteStatement::optionalText(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return text(column);
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::optional<std::int64_t> SqliteStatement::optionalInteger(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return integer(column);
}

std::string SqliteStatement::blob(int column) const
{
    const auto* bytes = sqlite3_column_blob(m_statement, column);
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column));
    return bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

std::size_t SqliteStatement::size(int column) const
{
    return static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column));
}

StoreError SqliteStatement::failure() const
{
    return {sqlite3_errmsg(sqlite3_db_handle(m_statement))};
}

} // namespace corvane::relay
