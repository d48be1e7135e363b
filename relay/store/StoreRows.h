#pragma once

#include "store/ListenerRecord.h"
#include "store/StoreResult.h"
#include "store/StoredPayload.h"

#include <cstddef>
#include <limits>

// The records in one row of the stores' listener and payload queries. `Row` reads columns as
// SqliteStatement does (text, optionalText, integer, optionalInteger, blob, size); the SQLite
// statement's current row and PostgresResult::Row are the ones instantiated.
namespace corvane::relay::StoreRows {

// Columns: id, token, name, description, is_enabled, notification_config, created_at, updated_at,
// undelivered count, total_received, then the verification columns below.
template <class Row> StoreResult<ListenerRecord> listener(const Row& statement);

// Columns from `first` on: verification_scheme, _mode, _header, _algorithm, _encoding, _prefix. The
// secret is left empty. Nothing when the listener has no scheme.
template <class Row> std::optional<VerificationSettings> verification(const Row& statement, int first);

// Columns: id, listener_id, listener name, listener token, notification_config, method, headers,
// query, body_kind, form_body, raw_body, received_at, delivered_at, body_parts, the raw body's size
// (in the row or in parts), verification_status, verification_reason. A raw body larger than
// `cutBytes` is taken as cut to what raw_body holds: bodySize is set and form_body left out.
template <class Row>
StoredPayload payload(const Row& statement, std::size_t cutBytes = std::numeric_limits<std::size_t>::max());
// The bytes of the raw body (in the row or in parts) and form fields of the current payload row.
template <class Row> std::size_t payloadBodySize(const Row& statement);
// Whether the current payload row's body was written in parts, which payload() leaves out, and is
// to be read whole.
template <class Row> bool hasBodyParts(const Row& statement, const StoredPayload& payload);

} // namespace corvane::relay::StoreRows
