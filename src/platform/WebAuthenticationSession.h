#pragma once

#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <optional>

class QWidget;

namespace corvane {

// How a browser sign-in ended: with the URL the browser was sent back to, with an error, or with
// neither (the session was closed from the app's side).
struct WebAuthenticationOutcome {
    std::optional<QUrl> callbackURL;
    std::optional<QString> error;
};

// Shows a sign-in page to the user and waits until the page sends the browser back to the app.
class WebAuthenticationSession {
public:
    virtual ~WebAuthenticationSession() = default;

    // Opens `url` and waits for a URL of `callbackScheme`; what the session shows of its own is placed
    // over `anchor`.
    virtual QCoro::Task<WebAuthenticationOutcome> authenticate(QUrl url, QString callbackScheme, QWidget* anchor) = 0;
};

} // namespace corvane
