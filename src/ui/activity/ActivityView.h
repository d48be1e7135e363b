#pragma once

#include <QWidget>

#include <optional>

class QListView;
class QSplitter;
class QStackedWidget;

namespace corvane {

class ActivityListModel;
class AppState;
class PayloadInspector;
class StyledLabel;

// The Activity screen: every listener's inbound webhooks, newest first, in a list above the inspector of
// the selected one. Read-only; it follows AppState::activity as each poll cycle replaces it. The
// selection is an event id: it survives cycles while the event stays, and when the event leaves, the
// id is kept and the detail shows a placeholder. The newest event is selected automatically only while
// nothing is. The ages of the rows count on while the list shows.
class ActivityView : public QWidget {
    Q_OBJECT

public:
    explicit ActivityView(AppState& state, QWidget* parent = nullptr);

    const std::optional<QString>& selectedId() const { return m_selectedId; }

    QListView* list() const { return m_list; }
    ActivityListModel* model() const { return m_model; }
    QSplitter* splitter() const { return m_splitter; }
    // The entry count beside the title.
    StyledLabel* countLabel() const { return m_count; }
    // Null while the detail shows the placeholder.
    PayloadInspector* inspector() const;

private:
    QWidget* makeEmptyState();
    QWidget* makePlaceholder();
    void follow();
    void selectFirstIfNone();
    void showSelection();
    void showDetail();

    AppState& m_state;
    ActivityListModel* m_model;
    QListView* m_list;
    QStackedWidget* m_upper;
    QWidget* m_emptyState;
    QSplitter* m_splitter;
    StyledLabel* m_count;
    QWidget* m_detail = nullptr;
    std::optional<QString> m_selectedId;
    // The id of the newest entry when the automatic selection last ran.
    std::optional<QString> m_firstId;
    bool m_firstSelectionRan = false;
    bool m_selecting = false;
};

} // namespace corvane
