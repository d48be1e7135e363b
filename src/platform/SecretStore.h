#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

#include <expected>
#include <optional>

namespace corvane {

// Where the API token lives between launches: one item, read and replaced whole.
class SecretStore {
public:
    virtual ~SecretStore() = default;

    // The stored token; none when there is no item, it cannot be read, or it is not UTF-8 text.
    virtual QCoro::Task<std::optional<QString>> read() = 0;

    // The stored token as read() gives it, except that a store that could not tell (it did not answer
    // in time, or failed) gives its error code instead of none: such a read says nothing about whether
    // a token is stored. A store that always answers gives what read() gives.
    virtual QCoro::Task<std::expected<std::optional<QString>, int>> lookUp() { co_return co_await read(); }

    // Replaces the stored token (an empty token is stored, not deleted). 0 on success, otherwise the
    // store's own error code.
    virtual QCoro::Task<int> write(QString token) = 0;

    // Drops what a store remembers of its item, so that the next read asks where the token lives (the
    // relay refused the token it gave). A store that remembers nothing ignores it.
    virtual void forget() { }
};

} // namespace corvane
