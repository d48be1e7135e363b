#include "support/FakeWebAuthenticationSession.h"

#include <qcoro/qcorosignal.h>

namespace corvane::test {

FakeWebAuthenticationSession::~FakeWebAuthenticationSession()
{
    finish({});
}

QCoro::Task<WebAuthenticationOutcome> FakeWebAuthenticationSession::authenticate(
    QUrl url, QString callbackScheme, QWidget* /*anchor*/)
{
    m_urls.append(std::move(url));
    m_schemes.append(std::move(callbackScheme));
    co_await qCoro(this, &FakeWebAuthenticationSession::finished);
    co_return m_outcome;
}

void FakeWebAuthenticationSession::finish(WebAuthenticationOutcome outcome)
{
    m_outcome = std::move(outcome);
    emit finished();
}

} // namespace corvane::test
