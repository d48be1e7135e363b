#pragma once

#include <QMainWindow>
#include <QPointer>

#include <qcoro/qcorotask.h>

namespace corvane {

class AppState;
class PayloadInspectorSheet;

// The main window ("main"): a busy note while the stored session is read, the sign-in screen while
// signed out, otherwise the sidebar beside the detail pane. Closing it hides it; the app goes on in the tray.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);

    // Shows the window (where it was last time), raises it and gives it the keyboard, with the desktop's
    // `activationToken` when another program passed one on (WindowActivation).
    void bringToFront(const QString& activationToken = {});
    // Brings the window forward with the webhook `payloadId` in the inspector, over whatever screen
    // shows: the activity's copy, or else the relay's. A webhook the relay no longer has is reported
    // through lastError. An empty id brings the window forward alone.
    QCoro::Task<> showPayload(QString payloadId);
    PayloadInspectorSheet* payloadSheet() const;

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
    QPointer<PayloadInspectorSheet> m_payloadSheet;
};

} // namespace corvane
