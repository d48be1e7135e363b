#include "ui/shell/MainWindow.h"

#include "core/AppState.h"
#include "platform/WindowActivation.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "ui/inspector/PayloadInspectorSheet.h"
#include "ui/shell/DetailPane.h"
#include "ui/shell/ReadingKeyView.h"
#include "ui/shell/Sidebar.h"
#include "ui/shell/SignInView.h"
#include "update/AppVersion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QShowEvent>
#include <QSplitter>

#include <algorithm>

namespace corvane {
MainWindow::MainWindow(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("corvane"));
    setMinimumSize(760, 480);
    resize(960, 640);
    buildMenus();
    connect(&m_state, &AppState::signedInChanged, this, &MainWindow::showContent);
    connect(&m_state, &AppState::restoringSessionChanged, this, &MainWindow::showContent);
    showContent();
}

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* newListener = file->addAction(tr("New Listener"));
    newListener->setShortcut(QKeySequence::New);
    connect(newListener, &QAction::triggered, this,
        [this] { m_state.setSidebarSelection(SidebarSelection{SidebarSelection::Kind::newListener, {}}); });
    file->addSeparator();
    QAction* close = file->addAction(tr("Close Window"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);
    QAction* quit = file->addAction(tr("Quit corvane"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &MainWindow::quitRequested);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* about = help->addAction(tr("About corvane"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, tr("About corvane"),
            tr("<b>corvane</b> %1<br>Turns webhooks into desktop notifications.").arg(appVersion().toHtmlEscaped()));
    });
    QAction* updates = help->addAction(tr("Check for Updates…"));
    connect(updates, &QAction::triggered, this, &MainWindow::updateCheckRequested);
}

void MainWindow::showContent()
{
    const QString kind = m_state.restoringSession() ? QStringLiteral("restoring")
        : m_state.signedIn()                        ? QStringLiteral("signedIn")
                                                    : QStringLiteral("signedOut");
    QWidget* previous = centralWidget();
    if (previous && previous->property("content").toString() == kind) {
        return;
    }
    QWidget* content = nullptr;
    if (m_state.restoringSession()) {
        content = new ReadingKeyView(m_state);
    } else if (m_state.signedIn()) {
        auto* split = new QSplitter(Qt::Horizontal);
        split->setChildrenCollapsible(false);
        auto* sidebar = new Sidebar(m_state, split);
        sidebar->setMinimumWidth(220);
        sidebar->setMaximumWidth(340);
        auto* detail = new DetailPane(m_state, split);
        detail->setMinimumWidth(480);
        split->addWidget(sidebar);
        split->addWidget(detail);
        split->setStretchFactor(1, 1);
        split->setSizes({260, std::max(480, width() - 260)});
        content = split;
    } else {
        content = new SignInView(m_state);
    }
    content->setProperty("content", kind);
    // The old content may be the sender of this change: it goes once that is over.
    if (previous) {
        takeCentralWidget();
        previous->hide();
        previous->deleteLater();
    }
    setCentralWidget(content);
    // The keyboard goes to the screen shown, not to the first row of the sidebar.
    if (isActiveWindow()) {
        content->setFocus();
    }
}

void MainWindow::bringToFront(const QString& activationToken)
{
    WindowActivation::bringForward(*this, activationToken);
}

PayloadInspectorSheet* MainWindow::payloadSheet() const
{
    return m_payloadSheet;
}

QCoro::Task<> MainWindow::showPayload(QString payloadId)
{
    bringToFront();
    if (payloadId.isEmpty() || !m_state.signedIn()) {
        co_return;
    }
    QPointer self(this);
    const auto& activity = m_state.activity();
    const auto local = std::ranges::find(activity, payloadId.toStdString(), &Payload::id);
    std::optional<Payload> payload;
    if (local != activity.end()) {
        payload = *local;
    } else {
        auto fetched = co_await m_state.client().payload(payloadId);
        if (!self) {
            co_return;
        }
        if (!fetched) {
            const bool gone = fetched.error().kind == Failure::Kind::badStatus && fetched.error().status == 404;
            m_state.reportError(gone ? tr("That webhook is no longer on the relay.") : fetched.error().description);
            co_return;
        }
        payload = std::move(*fetched);
    }
    if (m_payloadSheet != nullptr) {
        m_payloadSheet->close();
    }
    m_payloadSheet = new PayloadInspectorSheet(m_state, *payload, this);
    m_payloadSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_payloadSheet->open();
}

void MainWindow::showEvent(QShowEvent* event)
{
    // Window managers place a window that is shown again wherever they like: it goes back where it was.
    if (!event->spontaneous()) {
        restoreGeometry(AppSettings::windowGeometry());
    }
    m_state.start();
    QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    AppSettings::setWindowGeometry(saveGeometry());
    QMainWindow::closeEvent(event);
}

} // namespace corvane
