#include "update/BoundedFetch.h"

#include "platform/DeleteLater.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <qcoro/qcoronetworkreply.h>

#include <memory>

namespace corvane {

QCoro::Task<std::expected<FetchedBody, UpdateFailure>> fetchBounded(
    QNetworkAccessManager& network, QUrl url, FetchLimits limits, std::stop_token stop)
{
    if (stop.stop_requested()) {
        co_return std::unexpected(UpdateFailure::cancelled());
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(limits.timeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    const std::unique_ptr<QNetworkReply, DeleteLater> reply(network.get(request));

    bool tooLarge = false;
    const auto abortWhenTooLarge = [&tooLarge, limits, reply = reply.get()](qint64 bytes) {
        if (bytes > limits.maximumBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(
        reply.get(), &QNetworkReply::metaDataChanged, reply.get(), [abortWhenTooLarge, reply = reply.get()] {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid()) {
                abortWhenTooLarge(length.toLongLong());
            }
        });
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
        [abortWhenTooLarge](qint64 received, qint64) { abortWhenTooLarge(received); });
    // Stop may be asked for on any thread; the reply is aborted on its own.
    const std::stop_callback abortOnStop(
        stop, [reply = reply.get()] { QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection); });
    co_await reply.get();

    if (stop.stop_requested()) {
        co_return std::unexpected(UpdateFailure::cancelled());
    }
    if (tooLarge) {
        co_return std::unexpected(UpdateFailure::tooLarge(url, limits.maximumBytes));
    }
    // With a transfer timeout, Qt aborts the reply itself: the one cancellation nobody asked for.
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        co_return std::unexpected(UpdateFailure::timedOut(url, limits.timeout));
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply->error() != QNetworkReply::NoError) {
            co_return std::unexpected(UpdateFailure::network(url, reply->errorString()));
        }
        co_return std::unexpected(UpdateFailure::badStatus(url, 0));
    }
    const int code = status.toInt();
    if (code < 200 || code > 299) {
        co_return std::unexpected(UpdateFailure::badStatus(url, code));
    }
    if (reply->error() != QNetworkReply::NoError) {
        co_return std::unexpected(UpdateFailure::network(url, reply->errorString()));
    }
    co_return FetchedBody{reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()};
}

} // namespace corvane
