#include "support/HeadlessSession.h"
#include "support/RelaySession.h"
#include "support/TestRegistry.h"
#include "ui/components/BannerPreview.h"
#include "ui/editor/DetailView.h"
#include "ui/inspector/PayloadTreeModel.h"
#include "ui/inspector/PayloadTreeView.h"
#include "ui/shell/MainWindow.h"
#include "ui/wizard/UrlField.h"
#include "ui/wizard/WizardView.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace corvane {

// A listener made with the keyboard in the wizard against a real relay, its first webhook captured and
// mapped, and the next webhook shown as a notification with the mapped title.
class WizardEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void listenerIsCreatedCapturedAndSaved()
    {
        test::RelaySession session("wizard-owner-static-key");
        QVERIFY(session.start());
        const QString base = session.baseURL();
        AppState* running = &session.startState();
        {
            MainWindow window(*running);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QApplication::setActiveWindow(&window);

            QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
            auto* wizard = window.findChild<WizardView*>();
            QVERIFY(wizard);
            QTRY_COMPARE(QApplication::focusWidget(), wizard->nameStep()->nameField());
            QTest::keyClicks(QApplication::focusWidget(), "Deploys");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_VERIFY_WITH_TIMEOUT(wizard->createdListener(), 10'000);
            const QString hookPath = QString::fromStdString(wizard->createdListener()->hookPath);
            QCOMPARE(wizard->nameStep()->urlField()->url(), base + hookPath);
            QCOMPARE(QApplication::focusWidget(), wizard->nameStep()->continueButton());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(wizard->step(), WizardView::Step::waiting);

            const auto post = [&](const QByteArray& name) {
                return session.post(
                    hookPath, R"({"event": "push", "message": "m", "repo": {"name": ")" + name + R"("}})");
            };
            QCOMPARE(post("first"), 202);
            QTRY_COMPARE_WITH_TIMEOUT(wizard->step(), WizardView::Step::build, 10'000);
            QCOMPARE(wizard->titleTemplate(), "{{listener_name}}: {{body.event}}");
            PayloadTreeView* tree = wizard->builder()->tree();
            const QModelIndexList rows = tree->treeModel()->match(
                tree->treeModel()->index(0, 0), PayloadTreeModel::pathRole, "body.repo.name", 1, Qt::MatchExactly);
            QCOMPARE(rows.size(), 1);
            tree->setCurrentIndex(rows.front());
            tree->mapToTitleAction()->trigger();
            QCOMPARE(wizard->builder()->titleField()->text(), "{{body.repo.name}}");
            QCOMPARE(wizard->builder()->preview()->title(), "first");

            QPushButton* save = wizard->builder()->saveButton();
            for (int tab = 0; tab < 10 && QApplication::focusWidget() != save; ++tab) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(QApplication::focusWidget(), save);
            const QString id = QString::fromStdString(wizard->createdListener()->id);
            QTest::keyClick(save, Qt::Key_Return);
            QTRY_COMPARE_WITH_TIMEOUT(running->sidebarSelection(), SidebarSelection::forListener(id), 10'000);
            QTRY_VERIFY(window.findChild<DetailView*>() && window.findChild<DetailView*>()->listenerId() == id);
            QCOMPARE(post("atlas"), 202);
            QTRY_VERIFY_WITH_TIMEOUT(std::ranges::any_of(session.notifications().received(),
                                         [](const auto& received) { return received.summary == "atlas"; }),
                10'000);
        }
        session.stopState();
        QCOMPARE(AppState::runningLoops(), 0);
    }
};

CORVANE_TEST(WizardEndToEndTest)

} // namespace corvane

#include "WizardEndToEndTest.moc"
