#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct pg_result;

namespace corvane::relay {

// The outcome of one PostgreSQL query, its values in binary form. A null value reads as empty text
// or 0; the optional readers tell it apart.
class PostgresResult {
public:
    // One row, read with the column readers SqliteStatement has, so that both stores share their row
    // decoding (StoreRows).
    class Row {
    public:
        Row(const PostgresResult& result, int row) : m_result(&result), m_row(row) { }

        std::string text(int column) const { return m_result->text(m_row, column); }
        std::optional<std::string> optionalText(int column) const { return m_result->optionalText(m_row, column); }
        std::int64_t integer(int column) const { return m_result->integer(m_row, column); }
        std::optional<std::int64_t> optionalInteger(int column) const
        {
            return m_result->optionalInteger(m_row, column);
        }
        std::string blob(int column) const { return m_result->text(m_row, column); }
        std::size_t size(int column) const { return m_result->size(m_row, column); }

    private:
        const PostgresResult* m_result;
        int m_row;
    };

    explicit PostgresResult(pg_result* result);

    // Whether the query ran: a command or a query with rows, not a failure or no result at all.
    bool succeeded() const;
    // Why the query failed; `fallback` (the connection's message) when there is no result to say it.
    std::string errorMessage(const char* fallback) const;

    int rows() const;
    Row row(int index) const { return {*this, index}; }
    // The rows an INSERT, UPDATE or DELETE changed.
    std::int64_t changed() const;
    // The command tag: "COMMIT", or "ROLLBACK" for a commit of a failed transaction.
    std::string command() const;

    bool isNull(int row, int column) const;
    std::string text(int row, int column) const;
    std::optional<std::string> optionalText(int row, int column) const;
    // A bigint, integer, smallint or boolean column.
    std::int64_t integer(int row, int column) const;
    std::optional<std::int64_t> optionalInteger(int row, int column) const;
    std::size_t size(int row, int column) const;

private:
    struct Clearer {
        void operator()(pg_result* result) const;
    };

    std::unique_ptr<pg_result, Clearer> m_result;
};

} // namespace corvane::relay
