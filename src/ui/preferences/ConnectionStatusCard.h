#pragma once

#include "ui/components/Card.h"

namespace corvane {

class AppState;
class StyledLabel;
class SymbolView;

// Whether the last poll cycle reached the relay: a green or red dot, "Connected" or "Offline", how long
// ago the last poll was, and in red the last error. Redrawn whenever one of those state fields changes,
// never on a timer of its own.
class ConnectionStatusCard : public Card {
    Q_OBJECT

public:
    explicit ConnectionStatusCard(AppState& state, QWidget* parent = nullptr);

    StyledLabel* connectionLabel() const { return m_connection; }
    // Hidden while there has been no poll.
    StyledLabel* lastPollLabel() const { return m_lastPoll; }
    // Hidden while there is no error.
    StyledLabel* errorLabel() const { return m_error; }

private:
    void follow();

    AppState& m_state;
    SymbolView* m_dot;
    StyledLabel* m_connection;
    StyledLabel* m_lastPoll;
    StyledLabel* m_error;
};

} // namespace corvane
