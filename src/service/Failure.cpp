#include "service/Failure.h"

namespace corvane {

Failure Failure::badStatus(qint64 status, const QString& responseText)
{
    return {Kind::badStatus, QStringLiteral("HTTP %1: %2").arg(status).arg(responseText), status};
}

Failure Failure::missingURL()
{
    return {Kind::missingURL, QStringLiteral("service URL not set")};
}

Failure Failure::network(QNetworkReply::NetworkError error, const QString& description)
{
    return {Kind::network, description, 0, error};
}

Failure Failure::decoding(const DecodingError& error)
{
    return {Kind::decoding, QString::fromStdString(error.description())};
}

Failure Failure::tooLarge(qint64 maximumBytes)
{
    return {Kind::tooLarge,
        QStringLiteral("The service's answer is larger than %1 MiB, more than Corvane takes.")
            .arg(maximumBytes / (qint64{1024} * 1024))};
}

Failure Failure::notSupported(const QString& what)
{
    return {Kind::notSupported, QStringLiteral("The service does not support %1.").arg(what), 404};
}

} // namespace corvane
