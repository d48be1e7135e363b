#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

namespace corvane {

// One notification the app posted, as the tray panel lists it; identified by `id`.
struct BannerEvent {
    QUuid id;
    QString listenerName;
    QString title; // as rendered, before the notifier's fallback for an empty title
    QString body;
    QDateTime at;

    friend bool operator==(const BannerEvent&, const BannerEvent&) = default;
};

} // namespace corvane
