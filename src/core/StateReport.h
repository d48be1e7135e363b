#pragma once

namespace corvane {

class AppState;

// Writes what the running core does to the log, one line per event: the connection coming and going,
// failures, notifications posted. What people's webhooks contain (listener names, titles, error texts
// that may quote a relay's answer) is written only with the debug category "corvane.content" switched on
// (QT_LOGGING_RULES="corvane.content.debug=true").
void reportStateChanges(const AppState& state);

} // namespace corvane
