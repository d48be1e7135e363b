#pragma once

#include "store/StoreResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace corvane::relay {

// A prepared statement borrowed from its connection's cache for one use: binds, steps, reads
// columns, and is reset for the next use when it goes out of scope. Parameters and columns count
// from 1 and 0 as in SQLite. Bound text and bytes are not copied: they must stay alive until this
// object is gone, which the usual bind-then-step within one scope gives.
class SqliteStatement {
public:
    explicit SqliteStatement(sqlite3_stmt* statement);
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    ~SqliteStatement();

    SqliteStatement& bind(int index, std::string_view text);
    SqliteStatement& bind(int index, std::int64_t number);
    SqliteStatement& bind(int index, const std::optional<std::string>& text);
    SqliteStatement& bind(int index, std::optional<std::int64_t> number);
    SqliteStatement& bindBlob(int index, std::string_view bytes);

    // True while there is a row to read.
    StoreResult<bool> step();
    // Steps to the end; the number of rows changed.
    StoreResult<std::int64_t> run();

    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;
    std::int64_t integer(int column) const;
    std::optional<std::int64_t> optionalInteger(int column) const;
    std::string blob(int column) const;
    // The size in bytes of a text or blob column, read without copying it.
    std::size_t size(int column) const;

private:
    StoreError failure() const;

    sqlite3_stmt* m_statement;
    int m_bindResult = 0;
};

} // namespace corvane::relay
