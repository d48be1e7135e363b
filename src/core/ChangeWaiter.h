#pragma once

#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <stop_token>

namespace corvane {

class ServiceClient;

// The pause between two poll cycles of one polling loop: it ends when the interval has passed or when
// the relay reports that the account's change version moved, whichever comes first, and never less
// than a tenth of a second after the previous pause ended. The version seen first only sets the
// baseline. A relay without change versions (404) gets plain interval pauses from then on; any other
// failed wait leaves the rest of that pause to the interval.
class ChangeWaiter {
public:
    explicit ChangeWaiter(ServiceClient& client);

    // Returns at once when `stop` is requested, with the request it made aborted.
    QCoro::Task<> pause(std::chrono::milliseconds interval, std::stop_token stop);

private:
    QCoro::Task<> sleepThenEnd(std::chrono::milliseconds interval, std::stop_source ended);
    QCoro::Task<> watchThenEnd(int wait, std::stop_source ended);

    QPointer<ServiceClient> m_client;
    QString m_version;
    bool m_supported = true;
    std::chrono::steady_clock::time_point m_lastEnd;
};

} // namespace corvane
