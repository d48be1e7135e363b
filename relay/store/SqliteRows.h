#pragma once

#include "store/ListenerRecord.h"
#include "store/SqliteStatement.h"
#include "store/StoredPayload.h"

// The records in the current row of the store's listener and payload queries.
namespace corvane::relay::SqliteRows {

// Columns: id, token, name, description, is_enabled, notification_config, created_at, updated_at,
// undelivered count, total_received, then the verification columns below.
StoreResult<ListenerRecord> listener(const SqliteStatement& statement);

// Columns from `first` on: verification_scheme, _mode, _header, _algorithm, _encoding, _prefix. The
// secret is left empty. Nothing when the listener has no scheme.
std::optional<VerificationSettings> verification(const SqliteStatement& statement, int first);

// Columns: id, listener_id, listener name, listener token, notification_config, method, headers,
// query, body_kind, form_body, raw_body, received_at, delivered_at, body_parts, the parts' size,
// verification_status, verification_reason.
StoredPayload payload(const SqliteStatement& statement);
// The bytes of the raw body (in the row or in parts) and form fields of the current payload row.
std::size_t payloadBodySize(const SqliteStatement& statement);
// Whether the current payload row's body was written in parts, which payload() leaves out.
bool hasBodyParts(const SqliteStatement& statement);

} // namespace corvane::relay::SqliteRows
