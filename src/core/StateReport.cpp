#include "core/StateReport.h"

#include "core/AppState.h"
#include "service/AppSettings.h"

#include <QLoggingCategory>

namespace corvane {
namespace {

Q_LOGGING_CATEGORY(lcState, "corvane.state")
Q_LOGGING_CATEGORY(lcContent, "corvane.content", QtInfoMsg)

} // namespace

void reportStateChanges(const AppState& state)
{
    // The state signals every assignment; a line is written only when what it reports changes.
    QObject::connect(&state, &AppState::connectedChanged, &state, [&state, reported = std::optional<bool>()]() mutable {
        if (reported != state.connected()) {
            reported = state.connected();
            qCInfo(lcState).noquote() << (state.connected() ? "connected to" : "not connected to")
                                      << AppSettings::serviceURL();
        }
    });
    QObject::connect(
        &state, &AppState::lastErrorChanged, &state, [&state, reported = std::optional<QString>()]() mutable {
            if (state.lastError() && reported != state.lastError()) {
                qCWarning(lcState) << "an operation failed; its description is shown in the window";
                qCDebug(lcContent).noquote() << "error:" << *state.lastError();
            }
            reported = state.lastError();
        });
    QObject::connect(&state, &AppState::recentBannerChanged, &state, [&state] {
        if (state.recentBanner().empty()) {
            return;
        }
        qCInfo(lcState) << "posted a notification";
        const auto& event = state.recentBanner().front();
        qCDebug(lcContent).noquote() << "notified:" << event.listenerName << "—" << event.title;
    });
}

} // namespace corvane
