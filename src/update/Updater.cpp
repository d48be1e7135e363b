#include "update/Updater.h"

#include "update/UpdateCheck.h"
#include "update/UpdateWindow.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

namespace corvane {

Updater& Updater::shared()
{
    static Updater* const instance = [] {
        auto* application = QCoreApplication::instance();
        auto* network = new QNetworkAccessManager(application);
        return new Updater(*network, UpdateSettings::builtIn(), application);
    }();
    return *instance;
}

Updater::Updater(QNetworkAccessManager& network, UpdateSettings settings, QObject* parent)
    : QObject(parent), m_network(&network), m_settings(std::move(settings))
{
    // Widgets must go before the application object does.
    if (auto* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this, [this] {
            stopChecking();
            m_window.reset();
        });
    }
}

Updater::~Updater()
{
    stopChecking();
}

void Updater::checkForUpdates()
{
    if (isChecking()) {
        present();
        return;
    }
    if (!m_window) {
        m_window = std::make_unique<UpdateWindow>();
        connect(m_window.get(), &QDialog::finished, this, &Updater::stopChecking);
    }
    m_stop.emplace();
    emit checkingChanged();
    m_window->showChecking();
    present();
    check(m_stop->get_token());
}

void Updater::present()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void Updater::stopChecking()
{
    if (!m_stop) {
        return;
    }
    m_stop->request_stop();
    m_stop.reset();
    emit checkingChanged();
}

// A check that was stopped returns at its next resumption without touching the window: by then a new
// check may own it.
QCoro::Task<> Updater::check(std::stop_token stop)
{
    if (m_settings.feedURL.isEmpty()) {
        m_window->showNotConfigured();
        stopChecking();
        co_return;
    }
    QPointer self(this);
    const auto result = co_await UpdateCheck::run(*m_network, m_settings, stop);
    if (!self || stop.stop_requested()) {
        co_return;
    }
    if (!result) {
        m_window->showFailure(result.error().description);
        stopChecking();
        co_return;
    }
    const std::optional<FeedRelease>& newer = result->newerRelease;
    if (!newer) {
        m_window->showUpToDate(result->current);
        stopChecking();
        co_return;
    }
    m_window->showUpdate(*newer, result->current);
    const auto notes = co_await UpdateCheck::releaseNotes(*m_network, *newer, m_settings, stop);
    if (!self || stop.stop_requested()) {
        co_return;
    }
    if (notes) {
        m_window->showReleaseNotes(*notes);
    } else {
        m_window->showReleaseNotesFailure(notes.error().description);
    }
    stopChecking();
}

} // namespace corvane
