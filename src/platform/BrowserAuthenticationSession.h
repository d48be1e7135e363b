#pragma once

#include "platform/WebAuthenticationSession.h"

#include <QObject>
#include <QPointer>

namespace corvane {

class BrowserSignInSheet;

// Sign-in in the system browser. The page ends by sending the browser to a URL of the app's own
// scheme; the desktop starts `corvane <url>`, which hands the URL to the running instance, which
// passes it to deliver(). Meanwhile a sheet over the anchor window offers Cancel.
class BrowserAuthenticationSession : public QObject, public WebAuthenticationSession {
    Q_OBJECT

public:
    explicit BrowserAuthenticationSession(QObject* parent = nullptr);
    ~BrowserAuthenticationSession() override;

    // Only one session waits at a time: a second call while one waits ends at once with an error.
    QCoro::Task<WebAuthenticationOutcome> authenticate(QUrl url, QString callbackScheme, QWidget* anchor) override;

    // Ends the waiting session with `url` when it has the scheme the session waits for. False, and
    // nothing happens, when no session waits, it has already ended, or the scheme differs.
    bool deliver(const QString& url);

    bool isWaiting() const { return m_waiting; }

signals:
    // The waiting session has its outcome.
    void ended();

private:
    void finish(WebAuthenticationOutcome outcome);

    bool m_waiting = false;
    QString m_scheme;
    WebAuthenticationOutcome m_outcome;
    QPointer<BrowserSignInSheet> m_sheet;
};

} // namespace corvane
