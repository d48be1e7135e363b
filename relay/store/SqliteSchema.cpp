#include "store/SqliteSchema.h"

#include "store/SchemaMigrations.h"

#include <array>
#include <string>

namespace corvane::relay::SqliteSchema {
namespace {

// Index i upgrades version i to version i + 1. Released migrations never change; add new ones.
constexpr std::array migrations{
    R"sql(
CREATE TABLE accounts (
    id TEXT PRIMARY KEY,
    email TEXT NOT NULL UNIQUE,
    tier TEXT NOT NULL,
    created_at INTEGER NOT NULL
);
CREATE TABLE api_keys (
    key_hash TEXT PRIMARY KEY,
    account_id TEXT NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    created_at INTEGER NOT NULL
) WITHOUT ROWID;
CREATE TABLE listeners (
    id TEXT PRIMARY KEY,
    account_id TEXT NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    token TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL,
    description TEXT,
    is_enabled INTEGER NOT NULL,
    notification_config TEXT NOT NULL,
    created_at INTEGER NOT NULL,
    updated_at INTEGER NOT NULL,
    total_received INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX listeners_by_account ON listeners(account_id, created_at);
CREATE TABLE payloads (
    seq INTEGER PRIMARY KEY,
    id TEXT NOT NULL UNIQUE,
    listener_id TEXT NOT NULL REFERENCES listeners(id) ON DELETE CASCADE,
    account_id TEXT NOT NULL,
    method TEXT NOT NULL,
    headers TEXT NOT NULL,
    query TEXT,
    body_kind INTEGER NOT NULL,
    form_body TEXT,
    raw_body BLOB NOT NULL,
    received_at INTEGER NOT NULL,
    delivered_at INTEGER,
    offered INTEGER NOT NULL
);
CREATE INDEX payloads_by_listener ON payloads(listener_id, seq);
CREATE INDEX payloads_by_account ON payloads(account_id, seq);
CREATE INDEX payloads_pending ON payloads(account_id, seq) WHERE delivered_at IS NULL AND offered = 1;
CREATE INDEX payloads_pending_by_listener ON payloads(listener_id) WHERE delivered_at IS NULL AND offered = 1;
CREATE INDEX payloads_by_arrival ON payloads(received_at);
CREATE TABLE health (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    checked_at INTEGER NOT NULL
);
)sql",
    // A body stored as JSON is one whole JSON value: a NUL byte can stand in none.
    R"sql(
UPDATE payloads SET body_kind = 0 WHERE body_kind = 1 AND instr(raw_body, x'00') > 0;
)sql",
    // A large body is written in parts, each committed on its own, before the payload that owns it; such
    // a payload's raw_body is empty and body_parts counts its parts.
    R"sql(
ALTER TABLE payloads ADD COLUMN body_parts INTEGER NOT NULL DEFAULT 0;
CREATE TABLE body_parts (
    payload_id TEXT NOT NULL,
    part INTEGER NOT NULL,
    bytes BLOB NOT NULL,
    PRIMARY KEY (payload_id, part)
);
CREATE TRIGGER payloads_remove_body_parts AFTER DELETE ON payloads WHEN OLD.body_parts > 0 BEGIN
    DELETE FROM body_parts WHERE payload_id = OLD.id;
END;
)sql",
    // A listener may verify its senders' signatures: the scheme and its settings, with the secret the
    // HMACs are computed with. A payload keeps the outcome: 1 verified, 2 failed with the reason, null
    // when its listener verified nothing. The webhook-ids of verified requests are kept for as long as
    // a retry of one of them is to be recognised.
    R"sql(
ALTER TABLE listeners ADD COLUMN verification_scheme TEXT;
ALTER TABLE listeners ADD COLUMN verification_mode TEXT;
ALTER TABLE listeners ADD COLUMN verification_secret TEXT;
ALTER TABLE listeners ADD COLUMN verification_header TEXT;
ALTER TABLE listeners ADD COLUMN verification_algorithm TEXT;
ALTER TABLE listeners ADD COLUMN verification_encoding TEXT;
ALTER TABLE listeners ADD COLUMN verification_prefix TEXT;
ALTER TABLE payloads ADD COLUMN verification_status INTEGER;
ALTER TABLE payloads ADD COLUMN verification_reason TEXT;
CREATE TABLE webhook_ids (
    listener_id TEXT NOT NULL REFERENCES listeners(id) ON DELETE CASCADE,
    webhook_id TEXT NOT NULL,
    seen_at INTEGER NOT NULL,
    PRIMARY KEY (listener_id, webhook_id)
) WITHOUT ROWID;
CREATE INDEX webhook_ids_by_time ON webhook_ids(seen_at);
)sql",
};

StoreResult<std::int64_t> schemaVersion(SqliteConnection& connection)
{
    auto statement = connection.prepare("PRAGMA user_version");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    if (auto row = statement->step(); !row) {
        return std::unexpected(row.error());
    }
    return statement->integer(0);
}

} // namespace

StoreResult<void> migrate(SqliteConnection& connection)
{
    const auto version = schemaVersion(connection);
    if (!version) {
        return std::unexpected(version.error());
    }
    return SchemaMigrations::applyFrom(*version, migrations.size(), [&connection](std::size_t index) {
        const std::string script = std::string("BEGIN IMMEDIATE;") + migrations[index]
            + "PRAGMA user_version = " + std::to_string(index + 1) + "; COMMIT;";
        auto applied = connection.execute(script.c_str());
        if (!applied) {
            if (auto rolledBack = connection.execute("ROLLBACK"); !rolledBack) {
                return StoreResult<void>(std::unexpected(StoreError{
                    applied.error().message + "; rolling it back failed too: " + rolledBack.error().message}));
            }
        }
        return applied;
    });
}

} // namespace corvane::relay::SqliteSchema
