#include "support/Appearance.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"
#include "ui/inspector/PayloadTreeModel.h"
#include "ui/inspector/PayloadTreeView.h"

#include <QApplication>
#include <QDir>
#include <QHoverEvent>
#include <QTest>
#include <QVBoxLayout>

namespace corvane {

// Renders a payload tree with one hovered row in a light and a dark scheme into the screenshot
// folder, for a person to look at.
class PayloadTreeScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QApplication::setFont(test::defaultFont());
        QVERIFY(QDir().mkpath(folder()));
    }
    void cleanupTestCase() { QApplication::setPalette(QPalette()); }

    void hoveredRow_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void hoveredRow()
    {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? test::darkPalette() : test::lightPalette());
        QWidget window;
        window.setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(24, 24, 24, 24);
        auto* tree = new PayloadTreeView;
        layout->addWidget(tree);
        tree->setPayload(*Payload::fromJson(test::json(R"({"id": "p1", "method": "POST",
            "received_at": "2026-12-07T04:00:00.000Z",
            "headers": {"Content-Type": "application/json", "User-Agent": "GitHub-Hookshot/8f3c2d1",
                        "X-GitHub-Event": "pull_request"},
            "query": {"source": "ci"},
            "body": {"action": "opened", "number": 42, "draft": false,
                     "pull_request": {"title": "Retry webhook deliveries with exponential back-off and jitter",
                                      "labels": ["backend", "reliability"], "merged_at": null},
                     "repository": {"full_name": "corvane/relay", "private": true}}})")));
        window.resize(560, 470);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const auto hovered = tree->model()->match(
            tree->model()->index(0, 0), PayloadTreeModel::pathRole, "body.pull_request.title", 1, Qt::MatchExactly);
        QVERIFY(!hovered.isEmpty());
        const QPointF point = tree->visualRect(hovered.first()).center();
        QHoverEvent hover(QEvent::HoverMove, point, tree->viewport()->mapToGlobal(point), QPointF(-1, -1));
        QApplication::sendEvent(tree->viewport(), &hover);
        QApplication::processEvents();

        const QString file = QStringLiteral("%1/tree-hovered-%2.png").arg(folder(), dark ? "dark" : "light");
        QVERIFY2(window.grab().save(file), qPrintable(file));
    }

private:
    static QString folder()
    {
        const QString configured = qEnvironmentVariable("CORVANE_SCREENSHOTS");
        return configured.isEmpty() ? QStringLiteral(CORVANE_SCREENSHOTS_FOLDER) : configured;
    }
};

CORVANE_TEST(PayloadTreeScreenshotTest)

} // namespace corvane

#include "PayloadTreeScreenshotTest.moc"
