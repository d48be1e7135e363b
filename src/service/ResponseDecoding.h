#pragma once

#include "model/Listener.h"
#include "model/Payload.h"
#include "service/Failure.h"
#include "service/MessageBodies.h"

#include <QByteArray>

#include <qcoro/qcorotask.h>

#include <expected>
#include <vector>

// Turns response bodies into what the endpoints hand back. Bodies larger than a few hundred
// kilobytes are parsed and decoded on the thread pool, so a large poll never stalls the GUI thread.
namespace corvane::ResponseDecoding {

QCoro::Task<std::expected<std::vector<Payload>, Failure>> pollResponse(QByteArray body);
QCoro::Task<std::expected<std::vector<Payload>, Failure>> recentResponse(QByteArray body);
QCoro::Task<std::expected<std::vector<Listener>, Failure>> listenersResponse(QByteArray body);
QCoro::Task<std::expected<Payload, Failure>> payload(QByteArray body);
QCoro::Task<std::expected<Listener, Failure>> listener(QByteArray body);
QCoro::Task<std::expected<ExchangeResponse, Failure>> exchangeResponse(QByteArray body);
QCoro::Task<std::expected<TemplateSuggestion, Failure>> templateSuggestion(QByteArray body);

} // namespace corvane::ResponseDecoding
