#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace corvane {

// One desktop notification as the app asks for it.
struct Notification {
    QString title;
    QString body;
    // A sound of the app's sounds folder by name; none for the desktop's default sound.
    std::optional<QString> sound;
    // The webhook it tells of, which a click shows; empty when it was made from sample data.
    QString payloadId;
    // An http or https URL that a click opens instead; the webhook is then a second action.
    std::optional<QUrl> link;
};

} // namespace corvane
