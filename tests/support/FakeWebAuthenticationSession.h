#pragma once

#include "platform/WebAuthenticationSession.h"

#include <QList>
#include <QObject>

namespace corvane::test {

// A browser session that ends when the test says so, with the outcome the test gives.
class FakeWebAuthenticationSession : public QObject, public WebAuthenticationSession {
    Q_OBJECT

public:
    // Sessions still waiting end with neither a link nor an error.
    ~FakeWebAuthenticationSession() override;

    QCoro::Task<WebAuthenticationOutcome> authenticate(QUrl url, QString callbackScheme, QWidget* anchor) override;

    // Ends every waiting session with `outcome`.
    void finish(WebAuthenticationOutcome outcome);

    const QList<QUrl>& urls() const { return m_urls; }
    const QList<QString>& schemes() const { return m_schemes; }

signals:
    void finished();

private:
    QList<QUrl> m_urls;
    QList<QString> m_schemes;
    WebAuthenticationOutcome m_outcome;
};

} // namespace corvane::test
