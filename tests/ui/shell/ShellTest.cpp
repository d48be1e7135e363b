#include "core/AppState.h"
#include "platform/SecretServiceStore.h"
#include "support/HeadlessSession.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/components/RelativeTimeTicker.h"
#include "ui/components/StyledLabel.h"
#include "ui/preferences/PreferencesView.h"
#include "ui/shell/CorvaneApp.h"
#include "ui/shell/CountBadge.h"
#include "ui/shell/DetailPane.h"
#include "ui/shell/EmptyDetail.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MenuBarPopover.h"
#include "ui/shell/MenuRow.h"
#include "ui/shell/RecentRow.h"
#include "ui/shell/Sidebar.h"
#include "ui/shell/SignInView.h"
#include "ui/shell/TrayIcon.h"
#include "ui/wizard/WizardView.h"

#include <QDBusConnectionInterface>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <memory>

namespace corvane {

using namespace std::chrono_literals;

// The application shell on the offscreen platform, fed by a scripted relay through the real AppState.
class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_shell = std::make_unique<test::SessionFixture>();
    }

    void cleanup()
    {
        m_shell.reset();
        QCOMPARE(AppState::runningLoops(), 0);
    }

    // The empty selection invites the first listener; the same selection again keeps its screen, moving
    // to a screen makes it anew.
    void detailFollowsTheSelection()
    {
        startSignedIn();
        DetailPane pane(*m_state);
        QVERIFY(qobject_cast<EmptyDetail*>(pane.screen()));
        pane.screen()->findChild<QPushButton*>()->click();
        QVERIFY(qobject_cast<WizardView*>(pane.screen()));
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::preferences, {}});
        QVERIFY(qobject_cast<PreferencesView*>(pane.screen()));
        const QPointer<QWidget> preferences = pane.screen();
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::preferences, {}});
        QCOMPARE(pane.screen(), preferences.data());
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::preferences, {}});
        QVERIFY(pane.screen() != preferences.data());
        QTRY_VERIFY(!preferences);
        m_state->setSidebarSelection(std::nullopt);
        QVERIFY(qobject_cast<EmptyDetail*>(pane.screen()));
    }

    // Rows in order with badges only for counts of at least one; the list and the selection follow
    // each other; the footer pauses and opens the preferences.
    void sidebarRowsAndFooter()
    {
        m_shell->script({test::SessionFixture::listener("l1", "Deploys", R"(, "undelivered_count": 1)"),
                            test::SessionFixture::listener("l2", "Payments", R"(, "undelivered_count": 0)"),
                            test::SessionFixture::listener("l3", "Alerts")},
            {test::SessionFixture::payload(1, "a")}, {});
        startSignedIn();
        QTRY_COMPARE(m_state->listeners().size(), 3U);
        QTRY_COMPARE(m_state->activity().size(), 1U);
        Sidebar sidebar(*m_state);
        QListWidget* list = sidebar.list();
        QStringList rows;
        for (int row = 0; row < list->count(); ++row) {
            rows << list->item(row)->data(Qt::AccessibleTextRole).toString();
        }
        QCOMPARE(rows, QStringList({"Activity, 1", "Listeners", "Deploys, 1 undelivered", "Payments", "Alerts"}));
        QCOMPARE(badges(*list->itemWidget(list->item(2))), QStringList{"1"});
        QVERIFY(badges(*list->itemWidget(list->item(3))).isEmpty());
        QVERIFY(!(list->item(1)->flags() & Qt::ItemIsSelectable));

        list->setCurrentRow(3);
        QCOMPARE(m_state->sidebarSelection(), SidebarSelection::forListener("l2"));
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
        QCOMPARE(list->selectedItems(), QList<QListWidgetItem*>{list->item(0)});
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::newListener, {}});
        QVERIFY(list->selectedItems().isEmpty());

        sidebar.pauseButton()->click();
        QVERIFY(m_state->paused());
        sidebar.preferencesButton()->click();
        QCOMPARE(m_state->sidebarSelection(), (SidebarSelection{SidebarSelection::Kind::preferences, {}}));
    }

    // Poll cycles with equal lists change nothing a person sees: the rows stay the same widgets, the
    // sidebar keeps its scroll position and keyboard row.
    void listsChangeInPlace()
    {
        QList<QByteArray> listeners;
        for (int number = 1; number <= 40; ++number) {
            listeners << test::SessionFixture::listener(
                "l" + QByteArray::number(number), "L" + QByteArray::number(number));
        }
        m_shell->script(listeners, {test::SessionFixture::payload(1, "a")}, {});
        startSignedIn();
        QTRY_COMPARE(m_state->listeners().size(), 40U);
        Sidebar sidebar(*m_state);
        sidebar.resize(260, 300);
        sidebar.show();
        QListWidget* list = sidebar.list();
        list->setCurrentItem(list->item(30), QItemSelectionModel::NoUpdate);
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
        const int scrolled = list->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        QList<QPointer<QWidget>> rows;
        for (int row = 0; row < list->count(); ++row) {
            rows << list->itemWidget(list->item(row));
        }

        QSignalSpy cycles(m_state, &AppState::activityChanged);
        for (int cycle = 1; cycle <= 10; ++cycle) {
            m_state->startPolling();
            QTRY_COMPARE(cycles.size(), cycle);
        }
        QCOMPARE(list->verticalScrollBar()->value(), scrolled);
        QCOMPARE(list->currentRow(), 30);
        for (int row = 0; row < list->count(); ++row) {
            QCOMPARE(list->itemWidget(list->item(row)), rows[row].data());
        }
    }

    // A screen chosen before signing in stays chosen after it, in the sidebar as in the detail pane;
    // signing out brings the sign-in screen back.
    void signInKeepsTheChosenScreen()
    {
        m_shell->script({test::SessionFixture::listener("l1", "Deploys")}, {}, {});
        startSignedOut();
        MainWindow window(*m_state);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::preferences, {}});
        window.findChild<SignInView*>()->signInButton()->click();
        m_shell->session().finish({QUrl("corvane://auth/callback?code=c"), {}});
        QTRY_VERIFY(window.findChild<Sidebar*>());
        QTRY_COMPARE(m_state->listeners().size(), 1U);
        QApplication::processEvents();
        auto* list = window.findChild<Sidebar*>()->list();
        QCOMPARE(m_state->sidebarSelection(), (SidebarSelection{SidebarSelection::Kind::preferences, {}}));
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(list->currentItem(), nullptr);
        QVERIFY(window.findChild<PreferencesView*>());
        m_state->signOut();
        QTRY_VERIFY(window.findChild<SignInView*>());
        QTRY_VERIFY(!window.findChild<Sidebar*>());
    }

    // The window and the tray icon appear while the keyring (stopped here) does not answer, neither
    // signed in nor signed out; the read that timed out is asked again once the keyring runs.
    void launchDoesNotWaitForTheKeyring()
    {
        const auto keyring = QDBusConnection::sessionBus().interface()->servicePid("org.freedesktop.secrets").value();
        QTemporaryDir folder;
        QCOMPARE(QCoro::waitFor(SecretServiceStore(10s, folder.filePath("fallback")).write("key-1")), 0);
        CorvaneApp app(std::make_unique<SecretServiceStore>(1s, folder.filePath("fallback")));
        QCOMPARE(::kill(static_cast<pid_t>(keyring), SIGSTOP), 0);
        const auto resume = qScopeGuard([keyring] { ::kill(static_cast<pid_t>(keyring), SIGCONT); });
        app.launch();
        QVERIFY(app.mainWindow() && app.mainWindow()->isVisible());
        QVERIFY(app.state()->restoringSession() && !app.state()->signedIn());
        QVERIFY(!app.mainWindow()->findChild<SignInView*>() && !app.mainWindow()->findChild<Sidebar*>());
        QTRY_VERIFY(app.state()->lastError());
        ::kill(static_cast<pid_t>(keyring), SIGCONT);
        QTRY_VERIFY_WITH_TIMEOUT(app.mainWindow()->findChild<Sidebar*>(), 10'000);
        QVERIFY(app.state()->signedIn());
    }

    // At the window's first size the primary actions of the editor, the preferences and the wizard's
    // last step are in view without scrolling, and none of these screens makes the window grow.
    void primaryActionsInViewAtFirstSize_data() { test::addSchemes(); }
    void primaryActionsInViewAtFirstSize()
    {
        test::applyScheme();
        m_shell->script({test::SessionFixture::listener("l1", "Deploys")}, {}, {});
        startSignedIn();
        MainWindow window(*m_state);
        window.show();
        const QSize first = window.size();
        const auto inView = [&window](const QString& text) {
            return std::ranges::any_of(window.findChildren<QPushButton*>(), [&](const QPushButton* button) {
                return button->text() == text && button->isVisible()
                    && window.rect().contains(QRect(button->mapTo(&window, QPoint()), button->size()))
                    && button->visibleRegion().boundingRect() == button->rect();
            });
        };
        m_state->setSidebarSelection(SidebarSelection::forListener("l1"));
        QTRY_VERIFY(inView("Save changes"));
        test::saveScreenshot(window, "first-size-editor");
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::preferences, {}});
        QTRY_VERIFY(inView("Save"));
        test::saveScreenshot(window, "first-size-preferences");
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::newListener, {}});
        m_shell->relay().script(
            "/listeners/", test::ScriptedHttpServer::response(200, test::SessionFixture::listener("l1", "Deploys")));
        auto* wizard = window.findChild<WizardView*>();
        wizard->nameStep()->createButton()->click();
        QTRY_VERIFY(wizard->nameStep() && wizard->nameStep()->skipButton());
        wizard->nameStep()->skipButton()->click();
        QTRY_VERIFY(inView("Save listener"));
        test::saveScreenshot(window, "first-size-wizard");
        QCOMPARE(window.size(), first);
    }

    // The sign-in screen, the window without and with listeners, the tray panel and a sheet of the tray
    // icon (signed out, offline, paused, connected at 48, 22 and 16 pixels on a light and a dark panel),
    // light and dark, for a person to look at. On the way: no two states of the tray icon look alike; a
    // failed sign-in offers itself again with the reason; the panel lists the five newest notifications,
    // whose ages count on only while it is open, and opens the window on the chosen screen, or on
    // Activity; every visible button can take the keyboard focus and has a name, an icon-only one in its
    // tooltip.
    void screenshots_data() { test::addSchemes(); }
    void screenshots()
    {
        test::applyScheme();
        const QList<QString> states{TrayIcon::name(false, false, false), TrayIcon::name(true, false, false),
            TrayIcon::name(true, true, true), TrayIcon::name(true, true, false)};
        QPixmap sheet(4 * 96, 2 * 64);
        QPainter painter(&sheet);
        for (int panel = 0; panel < 2; ++panel) {
            painter.fillRect(0, panel * 64, sheet.width(), 64, panel == 0 ? QColor(0xf6f5f4) : QColor(0x1e1e1e));
            for (int state = 0; state < 4; ++state) {
                const QIcon icon = TrayIcon::icon(states[state]);
                const int left = state * 96 + 8;
                painter.drawPixmap(left, panel * 64 + 8, icon.pixmap(48));
                painter.drawPixmap(left + 56, panel * 64 + 8, icon.pixmap(22));
                painter.drawPixmap(left + 56, panel * 64 + 40, icon.pixmap(16));
                for (int other = 0; other < state; ++other) {
                    QVERIFY(icon.pixmap(22).toImage() != TrayIcon::icon(states[other]).pixmap(22).toImage());
                }
            }
        }
        painter.end();
        QLabel sheetLabel;
        sheetLabel.setPixmap(sheet);
        test::saveScreenshot(sheetLabel, "tray-icons");
        startSignedOut();
        {
            MainWindow window(*m_state);
            test::saveScreenshot(window, "sign-in");
            auto* signIn = window.findChild<SignInView*>()->signInButton();
            signIn->click();
            QVERIFY(m_state->signingIn() && !signIn->isEnabled());
            QCOMPARE(m_shell->session().urls().size(), 1);
            m_shell->session().finish({{}, "Could not reach the relay at http://127.0.0.1:3100: Connection refused"});
            QTRY_VERIFY(!m_state->signingIn());
            QVERIFY(signIn->isEnabled());
            QVERIFY(window.findChild<SignInView*>()->errorLabel()->text().contains("Connection refused"));
            test::saveScreenshot(window, "sign-in-error");
        }
        startSignedIn();
        {
            MainWindow window(*m_state);
            test::saveScreenshot(window, "main-no-listeners");
        }
        QList<QByteArray> recent;
        for (int number = 1; number <= 7; ++number) {
            recent << test::SessionFixture::payload(number, number == 2 ? "" : "Deploy #" + QByteArray::number(number));
        }
        m_shell->script({test::SessionFixture::listener("l1", "Deploys", R"(, "undelivered_count": 3)"),
                            test::SessionFixture::listener("l2", "Payments"),
                            test::SessionFixture::listener("l3", "Uptime alerts", R"(, "is_enabled": false)")},
            recent, recent);
        startSignedIn();
        QTRY_COMPARE_WITH_TIMEOUT(m_state->recentBanner().size(), 7U, 10'000);
        MainWindow window(*m_state);
        test::saveScreenshot(window, "main-listeners");
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
        m_state->setPaused(true);
        test::saveScreenshot(window, "main-activity-paused");
        m_state->setPaused(false);
        MenuBarPopover popover(*m_state);
        popover.adjustSize();
        test::saveScreenshot(popover, "tray-panel");
        QApplication::setPalette(QPalette());
        const auto* ticker = popover.findChild<RelativeTimeTicker*>();
        QVERIFY(ticker->isTicking());

        const auto shown = popover.findChildren<RecentRow*>();
        QCOMPARE(shown.size(), 5);
        QCOMPARE(shown.front()->summary(), "Deploy #7");
        QCOMPARE(shown.back()->summary(), "Deploy #3");
        for (const QWidget* top : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&popover)}) {
            for (const auto* button : top->findChildren<QAbstractButton*>()) {
                const QString name = button->accessibleName().isEmpty() ? button->text() : button->accessibleName();
                if (button->isVisibleTo(top)) {
                    QVERIFY2(!name.isEmpty(), button->metaObject()->className());
                    QVERIFY2(button->focusPolicy() & Qt::TabFocus, qPrintable(name));
                    QVERIFY2(!button->text().isEmpty() || !button->toolTip().isEmpty(), qPrintable(name));
                }
            }
        }
        m_state->setSidebarSelection(SidebarSelection::forListener("l1"));
        QSignalSpy opened(&popover, &MenuBarPopover::mainWindowRequested);
        row(popover, "Open dashboard…")->click();
        QCOMPARE(opened.size(), 1);
        QVERIFY(!ticker->isTicking());
        QCOMPARE(m_state->sidebarSelection(), SidebarSelection::forListener("l1"));
        m_state->setSidebarSelection(SidebarSelection{SidebarSelection::Kind::preferences, {}});
        row(popover, "Open dashboard…")->click();
        QCOMPARE(m_state->sidebarSelection(), (SidebarSelection{SidebarSelection::Kind::activity, {}}));
        row(popover, "Pause notifications")->click();
        QVERIFY(m_state->paused() && row(popover, "Resume notifications"));
    }

private:
    void startSignedIn()
    {
        m_shell->start(true);
        m_state = &m_shell->state();
        QVERIFY(m_state->connected());
    }
    void startSignedOut()
    {
        m_shell->start(false);
        m_state = &m_shell->state();
    }

    static QStringList badges(const QWidget& row)
    {
        QStringList result;
        for (const auto* badge : row.findChildren<CountBadge*>()) {
            if (badge->isVisibleTo(&row)) {
                result << badge->text();
            }
        }
        return result;
    }
    static MenuRow* row(const QWidget& popover, const QString& text)
    {
        for (auto* row : popover.findChildren<MenuRow*>()) {
            if (row->text() == text && row->isVisibleTo(&popover)) {
                return row;
            }
        }
        return nullptr;
    }

    std::unique_ptr<test::SessionFixture> m_shell;
    AppState* m_state = nullptr;
};

CORVANE_TEST(ShellTest)

} // namespace corvane

#include "ShellTest.moc"
