#pragma once

#include "update/UpdateSettings.h"

#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>
#include <stop_token>

class QNetworkAccessManager;

namespace corvane {

class UpdateWindow;

// Serves the "Check for Updates…" command: one check at a time, shown in one UpdateWindow. Nothing is
// downloaded or installed here; a newer release is offered through its download page.
class Updater : public QObject {
    Q_OBJECT

public:
    // The process-wide instance with the build settings (UpdateSettings::builtIn()), created on first
    // use as a child of the application object, which must exist.
    static Updater& shared();

    // `network` must outlive the updater.
    Updater(QNetworkAccessManager& network, UpdateSettings settings, QObject* parent = nullptr);
    ~Updater() override;

    // The command's action. Shows the window and starts a check; while a check runs, it only brings the
    // window to the front. Without a feed URL the window says that updates come from the distribution.
    void checkForUpdates();

    bool isChecking() const { return m_stop.has_value(); }
    // The window of the current or last check; null before the first check.
    UpdateWindow* window() const { return m_window.get(); }

signals:
    void checkingChanged();

private:
    QCoro::Task<> check(std::stop_token stop);
    void present();
    // Ends the running check, if any, without waiting for its requests to wind down.
    void stopChecking();

    QNetworkAccessManager* m_network;
    UpdateSettings m_settings;
    std::unique_ptr<UpdateWindow> m_window;
    std::optional<std::stop_source> m_stop;
};

} // namespace corvane
