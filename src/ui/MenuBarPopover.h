#pragma once

#include <QWidget>

class QVBoxLayout;

namespace corvane {

class AppState;
struct SidebarSelection;

// The tray panel: connection status, the main actions, the listeners and the latest notifications.
// A frameless popup 300 wide that closes when it loses focus. Rebuilt from AppState whenever what it
// shows changes.
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
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void addDivider();
    // Opens the main window on `selection`.
    void open(const SidebarSelection& selection);

    AppState& m_state;
    QVBoxLayout* m_layout;
};

} // namespace corvane
