// libsecret's headers use `signals` as a name, so this file is built without Qt's keywords.
#include <libsecret/secret.h>

#include "platform/SecretServiceStore.h"

#include "platform/Logging.h"

#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

namespace corvane {
namespace {

constexpr const char* serviceAttribute = "dev.corvane.app.key";
constexpr const char* accountAttribute = "apiToken";

const SecretSchema* tokenSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema result{};
        result.name = "dev.corvane.app.ApiToken";
        result.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        result.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        result.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return result;
    }();
    return &schema;
}

// Takes ownership of `error`. "Missing" means nothing answers for the Secret Service at all: no
// session bus, or no owner and no activatable service for its name.
SecretServiceStore::Outcome failure(GError* error)
{
    SecretServiceStore::Outcome outcome;
    outcome.code = error->code;
    const bool noOwner = error->domain == G_DBUS_ERROR
        && (error->code == G_DBUS_ERROR_SERVICE_UNKNOWN || error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER
            || error->code == G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND);
    const bool noBus = error->domain == G_IO_ERROR && error->code != G_IO_ERROR_CANCELLED;
    outcome.serviceMissing = noOwner || noBus || error->domain == G_SPAWN_ERROR;
    g_error_free(error);
    return outcome;
}

} // namespace

const int SecretServiceStore::timedOut = G_IO_ERROR_CANCELLED;

SecretServiceStore::SecretServiceStore(std::chrono::milliseconds timeout, QString fallbackPath, QObject* parent)
    : QObject(parent), m_timeout(timeout), m_fallback(std::move(fallbackPath))
{
}

template <class Call> QFuture<SecretServiceStore::Outcome> SecretServiceStore::start(const Call& call) const
{
    // The worker and the deadline each hold a reference: either may outlive the other and the caller.
    GCancellable* cancellable = g_cancellable_new();
    g_object_ref(cancellable);
    QTimer::singleShot(m_timeout, [cancellable] {
        g_cancellable_cancel(cancellable);
        g_object_unref(cancellable);
    });
    return QtConcurrent::run([call, cancellable] {
        Outcome result = call(cancellable);
        g_object_unref(cancellable);
        return result;
    });
}

QCoro::Task<std::optional<QString>> SecretServiceStore::read()
{
    auto found = co_await lookUp();
    co_return found ? *std::move(found) : std::nullopt;
}

QCoro::Task<std::expected<std::optional<QString>, int>> SecretServiceStore::lookUp()
{
    if (m_found && !m_foundExpires.hasExpired()) {
        // A copy: QCoro 0.8 moves from an lvalue that is co_returned.
        co_return std::optional<QString>(m_found);
    }
    m_found.reset();
    const auto search = [](GCancellable* cancellable) {
        GError* error = nullptr;
        gchar* secret = secret_password_lookup_sync(
            tokenSchema(), cancellable, &error, "service", serviceAttribute, "account", accountAttribute, nullptr);
        if (error != nullptr) {
            return failure(error);
        }
        Outcome result;
        if (secret != nullptr && g_utf8_validate(secret, -1, nullptr)) {
            result.token = QString::fromUtf8(secret);
        }
        secret_password_free(secret);
        return result;
    };
    QPointer self(this);
    const bool keep = !m_writeUnsettled;
    const quint64 writesBefore = m_writes;
    const Outcome outcome = co_await start(search);
    if (!self) {
        co_return std::unexpected(timedOut);
    }
    if (outcome.serviceMissing) {
        noteFallback();
        auto stored = co_await m_fallback.read();
        if (!self) {
            co_return std::unexpected(timedOut);
        }
        remember(stored, writesBefore, keep);
        co_return stored;
    }
    if (outcome.code != 0) {
        co_return std::unexpected(outcome.code);
    }
    remember(outcome.token, writesBefore, keep);
    co_return outcome.token;
}

void SecretServiceStore::remember(const std::optional<QString>& token, quint64 writesBefore, bool keep)
{
    if (keep && !m_writeUnsettled && m_writes == writesBefore) {
        m_found = token;
        m_foundExpires.setRemainingTime(remembered);
    }
}

void SecretServiceStore::forget()
{
    m_found.reset();
}

QCoro::Task<int> SecretServiceStore::write(QString token)
{
    const auto store = [bytes = token.toUtf8()](GCancellable* cancellable) {
        GError* error = nullptr;
        secret_password_store_sync(tokenSchema(), SECRET_COLLECTION_DEFAULT, "Corvane API key", bytes.constData(),
            cancellable, &error, "service", serviceAttribute, "account", accountAttribute, nullptr);
        return error != nullptr ? failure(error) : Outcome{};
    };
    m_found.reset();
    ++m_writes;
    m_writeUnsettled = true;
    QPointer self(this);
    const quint64 write = m_writes;
    const Outcome outcome = co_await start(store);
    if (!self) {
        co_return timedOut;
    }
    int code = outcome.code;
    if (outcome.serviceMissing) {
        noteFallback();
        code = co_await m_fallback.write(token);
        if (!self) {
            co_return timedOut;
        }
    }
    if (code == 0 && m_writes == write) {
        m_writeUnsettled = false;
    }
    co_return code;
}

void SecretServiceStore::noteFallback()
{
    if (!m_fallbackNoted) {
        m_fallbackNoted = true;
        qCWarning(lcPlatform).noquote() << "No Secret Service answers on the session bus; the API key is kept in"
                                        << m_fallback.path() << "(readable by its owner only)";
    }
}

} // namespace corvane
