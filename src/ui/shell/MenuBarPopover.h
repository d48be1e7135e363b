#pragma once

#include <QWidget>

class QVBoxLayout;

namespace corvane {

class AppState;
class MenuRow;
class RelativeTimeTicker;
class StatusDot;
class StyledLabel;
struct SidebarSelection;

// The tray panel: connection status, the main actions, the listeners and the latest notifications.
// A frameless popup 300 wide that closes when it loses focus. Its rows follow AppState in place, so
// hover, focus and a click in progress survive a poll cycle; it stays beside its anchor as it grows
// or shrinks.
class MenuBarPopover : public QWidget {
    Q_OBJECT

public:
    explicit MenuBarPopover(AppState& state, QWidget* parent = nullptr);

    // "Offline", "Paused" or "N listeners · online".
    static QString statusText(bool connected, bool paused, std::size_t listeners);

    // Places the panel next to `anchor` (the tray icon's area; empty when unknown: near the pointer),
    // within the screen, and shows it.
    void popUp(const QRect& anchor);

signals:
    void mainWindowRequested();
    void updateCheckRequested();
    void quitRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void addDivider(QVBoxLayout* layout);
    // A block of rows after a divider, hidden while it has none.
    QVBoxLayout* addSection(QWidget*& section);
    void showStatus();
    void showListeners();
    void showRecent();
    // Keeps the panel beside its anchor and on its screen.
    void place();
    // Opens the main window on `selection`.
    void open(const SidebarSelection& selection);

    AppState& m_state;
    QVBoxLayout* m_layout;
    StatusDot* m_statusDot = nullptr;
    StyledLabel* m_statusText = nullptr;
    MenuRow* m_pause = nullptr;
    QWidget* m_listenerSection = nullptr;
    QVBoxLayout* m_listenerRows = nullptr;
    QWidget* m_recentSection = nullptr;
    QVBoxLayout* m_recentRows = nullptr;
    QRect m_anchor;
    // Keeps the ages of the recent rows current while the panel is open.
    RelativeTimeTicker* m_ticker;
};

} // namespace corvane
