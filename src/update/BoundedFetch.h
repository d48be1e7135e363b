#pragma once

#include "update/UpdateFailure.h"

#include <QByteArray>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <expected>
#include <stop_token>

class QNetworkAccessManager;

namespace corvane {

// A 2xx answer's body and its Content-Type header. (A struct rather than a bare QByteArray: see
// ResponseBody in service/ServiceClient.h.)
struct FetchedBody {
    QByteArray bytes;
    QByteArray contentType;
};

struct FetchLimits {
    // The request fails when nothing arrives for this long.
    std::chrono::milliseconds timeout;
    // The request is aborted, and fails, once its answer announces or delivers more bytes than this.
    qint64 maximumBytes;
};

// One GET of `url` held to `limits`; redirects are followed unless they lead from https to http. Fails
// as cancelled once `stop` is requested. `network` must outlive the request.
QCoro::Task<std::expected<FetchedBody, UpdateFailure>> fetchBounded(
    QNetworkAccessManager& network, QUrl url, FetchLimits limits, std::stop_token stop);

} // namespace corvane
