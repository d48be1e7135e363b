#pragma once

#include <QWidget>

namespace corvane {

class AppState;
class StyledLabel;

// What the detail column shows with nothing selected: an invitation to create the first listener, or
// to pick one from the sidebar.
class EmptyDetail : public QWidget {
    Q_OBJECT

public:
    explicit EmptyDetail(AppState& state, QWidget* parent = nullptr);

private:
    void refresh();

    AppState& m_state;
    StyledLabel* m_headline;
    StyledLabel* m_explanation;
    QWidget* m_createButton;
};

} // namespace corvane
