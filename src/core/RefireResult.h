#pragma once

#include <QString>

namespace corvane {

// The outcome of posting a stored payload again with its listener's current set-up.
enum class RefireResult {
    fired,
    filteredOut,
    listenerMissing,
    // The list held only the start of the body, and the whole could not be read.
    bodyUnavailable,
};

// What the payload inspector says about a re-fire.
inline QString refireResultText(RefireResult result)
{
    switch (result) {
    case RefireResult::fired:
        return QStringLiteral("Notification fired");
    case RefireResult::filteredOut:
        return QStringLiteral("Filtered out — didn't match the listener's filter");
    case RefireResult::listenerMissing:
        return QStringLiteral("Listener no longer exists");
    case RefireResult::bodyUnavailable:
        return QStringLiteral("Couldn't load the whole request — try again");
    }
    return {};
}

} // namespace corvane
