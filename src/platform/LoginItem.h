#pragma once

#include <QString>

#include <expected>

namespace corvane {

// Whether the desktop starts the app when the user logs in.
class LoginItem {
public:
    enum class Status {
        // The desktop will not start the app at login.
        notRegistered,
        // It will.
        enabled,
        // Registered, but the desktop starts it only once the user allows that in its settings.
        requiresApproval,
        // The app cannot be registered: there is nothing the desktop could start.
        notFound,
    };

    virtual ~LoginItem() = default;

    // Asked afresh each time: the user may change it outside the app.
    virtual Status status() const = 0;
    // Registers the app (true) or withdraws it (false). The error is a sentence for the user.
    virtual std::expected<void, QString> setEnabled(bool enabled) = 0;
};

} // namespace corvane
