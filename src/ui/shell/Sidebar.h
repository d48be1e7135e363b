#pragma once

#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QToolButton;

namespace corvane {

class AppState;
class CountBadge;
class StatusDot;
class StyledLabel;
class SymbolView;

// The left column: the Activity row, the listeners, and a footer with pause, connection state and
// preferences. Its selection and AppState's sidebarSelection follow each other. Rows change in place
// when the lists change, so the scroll position, the current row and the pointer's row stay.
class Sidebar : public QWidget {
    Q_OBJECT

public:
    explicit Sidebar(AppState& state, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    QToolButton* pauseButton() const { return m_pause; }
    QToolButton* preferencesButton() const { return m_preferences; }

    // Item data role holding a row's selection tag: "activity" or a listener id.
    static constexpr int tagRole = Qt::UserRole + 1;

protected:
    void changeEvent(QEvent* event) override;

private:
    void addActivityRow();
    void showActivityCount();
    void showListeners();
    void setNoneYetShown(bool shown);
    void showSelection();
    // The Activity symbol and count stay visible on the selection's highlight.
    void tintActivityRow();
    void selectionChangedByUser();
    void showPaused();
    void showConnected();

    QListWidgetItem* addRow(QWidget* row, const QString& tag, const QString& accessibleText);

    AppState& m_state;
    QListWidget* m_list;
    SymbolView* m_activitySymbol = nullptr;
    CountBadge* m_activityBadge = nullptr;
    QListWidgetItem* m_header = nullptr;
    QListWidgetItem* m_noneYet = nullptr;
    QToolButton* m_pause;
    StatusDot* m_connectionDot;
    StyledLabel* m_connectionText;
    QToolButton* m_preferences;
    bool m_updating = false;
};

} // namespace corvane
