#pragma once

#include "store/PostgresConnection.h"

namespace corvane::relay::PostgresSchema {

// Brings the database's schema up to date. Relays starting together on one database take turns:
// the first applies the migrations, the others find them applied.
StoreResult<void> migrate(PostgresConnection& connection);

} // namespace corvane::relay::PostgresSchema
