#pragma once

#include <QLoggingCategory>

namespace corvane {

// Messages about the desktop services: the secret store, notifications, the session bus.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

} // namespace corvane
