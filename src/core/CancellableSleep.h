#pragma once

#include <qcoro/qcorotask.h>

#include <chrono>
#include <stop_token>

namespace corvane {

// Waits on the calling thread's event loop for `duration`, or until `stop` is requested, whichever
// comes first.
QCoro::Task<> cancellableSleep(std::chrono::milliseconds duration, std::stop_token stop);

} // namespace corvane
