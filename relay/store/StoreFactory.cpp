#include "store/StoreFactory.h"

#include "store/PostgresStore.h"
#include "store/SqliteStore.h"

#include <libpq-fe.h>

namespace corvane::relay::StoreFactory {

bool isPostgres(const std::string& database)
{
    return database.starts_with("postgresql://") || database.starts_with("postgres://");
}

std::string describe(const std::string& database)
{
    if (!isPostgres(database)) {
        return "SQLite " + database;
    }
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(database.c_str(), &error);
    if (options == nullptr) {
        PQfreemem(error);
        return "PostgreSQL (a URI libpq cannot read)";
    }
    std::string described = "PostgreSQL";
    for (const auto* option = options; option->keyword != nullptr; ++option) {
        // libpq marks the settings to hide with '*' (the password) and debug settings with 'D'.
        if (option->val != nullptr && *option->dispchar == '\0') {
            described += std::string(" ") + option->keyword + "=" + option->val;
        }
    }
    PQconninfoFree(options);
    return described;
}

StoreResult<std::unique_ptr<Store>> open(const std::string& database, Waiting waiting)
{
    if (isPostgres(database)) {
        // Long enough for a server nearby, which answers within milliseconds.
        constexpr std::chrono::milliseconds briefWait{50};
        auto store = PostgresStore::open(database,
            waiting == Waiting::brief ? briefWait : std::chrono::milliseconds(PostgresConnection::connectTimeout));
        if (!store) {
            return std::unexpected(store.error());
        }
        return std::make_unique<PostgresStore>(*std::move(store));
    }
    auto store = SqliteStore::open(database);
    if (!store) {
        return std::unexpected(store.error());
    }
    return std::make_unique<SqliteStore>(*std::move(store));
}

} // namespace corvane::relay::StoreFactory
