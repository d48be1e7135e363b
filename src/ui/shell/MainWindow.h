#pragma once

#include <QMainWindow>

namespace corvane {

class AppState;

// The main window ("main"): a busy note while the stored session is read, the sign-in screen while
// signed out, otherwise the sidebar beside the detail pane. Closing it hides it; the app goes on in the tray.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);

    // Shows the window (where it was last time), raises it and gives it the keyboard.
    void bringToFront();

signals:
    void updateCheckRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void showContent();

    AppState& m_state;
};

} // namespace corvane
