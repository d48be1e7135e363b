#pragma once

#include "store/SqliteConnection.h"

namespace corvane::relay::SqliteSchema {

// Brings the database to the newest schema version, one migration per version in its own
// transaction (the version lives in PRAGMA user_version). Fails on a database written by a newer
// relay.
StoreResult<void> migrate(SqliteConnection& connection);

} // namespace corvane::relay::SqliteSchema
