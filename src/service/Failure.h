#pragma once

#include "model/DecodingError.h"

#include <QNetworkReply>
#include <QString>

namespace corvane {

// Why a call to the relay service failed, with the text the app shows for it.
struct Failure {
    enum class Kind {
        badStatus, // an HTTP answer outside 2xx, or no HTTP answer at all (status 0)
        missingURL, // the service URL and path do not form a URL
        network, // the network layer's own error, cancellation included
        decoding, // an answer or a request body that is not the JSON expected
        tooLarge, // an answer larger than the client takes
        notSupported, // a relay that does not offer the route (HTTP 404)
    };

    Kind kind;
    QString description;
    qint64 status = 0;
    QNetworkReply::NetworkError networkError = QNetworkReply::NoError;

    // "HTTP 404: not found"
    static Failure badStatus(qint64 status, const QString& responseText);
    // "service URL not set"
    static Failure missingURL();
    static Failure network(QNetworkReply::NetworkError error, const QString& description);
    static Failure decoding(const DecodingError& error);
    // "The service's answer is larger than 64 MiB, more than Corvane takes."
    static Failure tooLarge(qint64 maximumBytes);
    // "The service does not support <what>."
    static Failure notSupported(const QString& what);
};

} // namespace corvane
