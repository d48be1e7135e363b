#include "store/PostgresSchema.h"

#include "store/SchemaMigrations.h"

#include <array>
#include <string>

namespace corvane::relay::PostgresSchema {
namespace {

// The advisory lock migrations run under; any constant other code does not use.
constexpr std::int64_t migrationLock = 0x636f7276616e6501;

// Index i upgrades version i to version i + 1. Released migrations never change; add new ones.
// Times are milliseconds since the Unix epoch as in the SQLite store; JSON is kept as the text it
// was stored as. Strings as clients sent them (names, e-mail addresses, secrets, header values) are
// bytes: text could hold neither NUL nor bytes that are not UTF-8, which the SQLite store keeps.
constexpr std::array migrations{
    R"sql(
CREATE TABLE accounts (
    id text PRIMARY KEY,
    email bytea NOT NULL UNIQUE,
    tier text NOT NULL,
    created_at bigint NOT NULL
);
CREATE TABLE api_keys (
    key_hash text PRIMARY KEY,
    account_id text NOT NULL REFERENCES accounts (id) ON DELETE CASCADE,
    created_at bigint NOT NULL
);
CREATE TABLE listeners (
    seq bigint GENERATED ALWAYS AS IDENTITY,
    id text PRIMARY KEY,
    account_id text NOT NULL REFERENCES accounts (id) ON DELETE CASCADE,
    token text NOT NULL UNIQUE,
    name bytea NOT NULL,
    description bytea,
    is_enabled boolean NOT NULL,
    notification_config text NOT NULL,
    created_at bigint NOT NULL,
    updated_at bigint NOT NULL,
    total_received bigint NOT NULL DEFAULT 0,
    verification_scheme text,
    verification_mode text,
    verification_secret bytea,
    verification_header bytea,
    verification_algorithm text,
    verification_encoding text,
    verification_prefix bytea
);
CREATE INDEX listeners_by_account ON listeners (account_id, created_at, seq);
CREATE TABLE payloads (
    seq bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    id text NOT NULL UNIQUE,
    listener_id text NOT NULL REFERENCES listeners (id) ON DELETE CASCADE,
    account_id text NOT NULL,
    method text NOT NULL,
    headers text NOT NULL,
    query text,
    body_kind bigint NOT NULL,
    form_body text,
    raw_body bytea NOT NULL,
    received_at bigint NOT NULL,
    delivered_at bigint,
    offered boolean NOT NULL,
    body_parts bigint NOT NULL DEFAULT 0,
    verification_status bigint,
    verification_reason text
);
CREATE INDEX payloads_by_listener ON payloads (listener_id, seq);
CREATE INDEX payloads_by_account ON payloads (account_id, seq);
CREATE INDEX payloads_pending ON payloads (account_id, seq) WHERE delivered_at IS NULL AND offered;
CREATE INDEX payloads_pending_by_listener ON payloads (listener_id) WHERE delivered_at IS NULL AND offered;
CREATE INDEX payloads_by_arrival ON payloads (received_at);
-- A large body is written in parts, each committed on its own, before the payload that owns it; such
-- a payload's raw_body is empty and body_parts counts its parts. written_at lets a relay tell parts
-- another relay is still writing from ones left behind.
CREATE TABLE body_parts (
    payload_id text NOT NULL,
    part bigint NOT NULL,
    bytes bytea NOT NULL,
    written_at bigint NOT NULL DEFAULT (extract(epoch FROM clock_timestamp()) * 1000)::bigint,
    PRIMARY KEY (payload_id, part)
);
CREATE FUNCTION payloads_remove_body_parts() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    DELETE FROM body_parts WHERE payload_id = OLD.id;
    RETURN NULL;
END
$$;
CREATE TRIGGER payloads_remove_body_parts AFTER DELETE ON payloads
    FOR EACH ROW WHEN (OLD.body_parts > 0) EXECUTE FUNCTION payloads_remove_body_parts();
CREATE TABLE webhook_ids (
    listener_id text NOT NULL REFERENCES listeners (id) ON DELETE CASCADE,
    webhook_id bytea NOT NULL,
    seen_at bigint NOT NULL,
    PRIMARY KEY (listener_id, webhook_id)
);
CREATE INDEX webhook_ids_by_time ON webhook_ids (seen_at);
CREATE TABLE health (
    id integer PRIMARY KEY CHECK (id = 1),
    checked_at bigint NOT NULL
);
)sql",
};

StoreResult<std::int64_t> appliedVersion(PostgresConnection& connection)
{
    auto created = connection.execute("CREATE TABLE IF NOT EXISTS schema_migrations ("
                                      " version bigint PRIMARY KEY, applied_at timestamptz NOT NULL DEFAULT now())");
    if (!created) {
        return std::unexpected(created.error());
    }
    auto version = connection.query("SELECT COALESCE(MAX(version), 0) FROM schema_migrations");
    if (!version) {
        return std::unexpected(version.error());
    }
    return version->integer(0, 0);
}

StoreResult<void> applyMissing(PostgresConnection& connection)
{
    const auto version = appliedVersion(connection);
    if (!version) {
        return std::unexpected(version.error());
    }
    return SchemaMigrations::applyFrom(*version, migrations.size(), [&connection](std::size_t index) {
        // One transaction: a migration is applied and recorded whole, or not at all.
        auto applied = connection.execute("BEGIN");
        if (applied) {
            applied = connection.execute(migrations[index]);
        }
        if (applied) {
            auto recorded = connection.query("INSERT INTO schema_migrations (version) VALUES ($1)",
                PostgresParameters().integer(std::int64_t(index + 1)));
            applied = recorded ? connection.execute("COMMIT") : std::unexpected(recorded.error());
        }
        if (!applied) {
            std::ignore = connection.execute("ROLLBACK");
        }
        return applied;
    });
}

} // namespace

StoreResult<void> migrate(PostgresConnection& connection)
{
    if (auto locked = connection.query("SELECT pg_advisory_lock($1)", PostgresParameters().integer(migrationLock));
        !locked) {
        return std::unexpected(locked.error());
    }
    auto migrated = applyMissing(connection);
    auto unlocked = connection.query("SELECT pg_advisory_unlock($1)", PostgresParameters().integer(migrationLock));
    if (migrated && !unlocked) {
        return std::unexpected(unlocked.error());
    }
    return migrated;
}

} // namespace corvane::relay::PostgresSchema
