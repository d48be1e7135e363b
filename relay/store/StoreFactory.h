#pragma once

#include "store/Store.h"

#include <memory>
#include <string>

// The store a database setting names: a PostgreSQL database for a postgresql:// or postgres:// URI,
// otherwise a SQLite file.
namespace corvane::relay::StoreFactory {

bool isPostgres(const std::string& database);
// The database as logs may name it: a PostgreSQL database's connection settings without its password.
std::string describe(const std::string& database);
// How long a call may wait for a lost PostgreSQL connection to come back: up to the connect timeout
// on a thread of its own, briefly on the I/O thread, which serves every client and must not stall.
enum class Waiting { patient, brief };

// Opens one connection's store (see SqliteStore and PostgresStore).
StoreResult<std::unique_ptr<Store>> open(const std::string& database, Waiting waiting = Waiting::patient);

} // namespace corvane::relay::StoreFactory
