#pragma once

#include "platform/Notification.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

namespace corvane {

// Where the app's notifications go, and where a click on one comes back from.
class Notifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Asks whether notifications can be shown at all; never fails.
    virtual QCoro::Task<> requestAuthorizationIfNeeded() = 0;
    // Posts one notification at once, never replacing an earlier one. Never fails: a desktop that
    // refuses, is slow or is absent is ignored.
    virtual QCoro::Task<> fire(Notification notification) = 0;
    virtual bool isAuthorized() const = 0;

signals:
    // A click asked for the app, showing the webhook `payloadId` (empty: the app alone).
    void payloadRequested(const QString& payloadId);
    // A click asked for the notification's link in the browser.
    void linkRequested(const QUrl& link);
};

} // namespace corvane
