#include "platform/BrowserAuthenticationSession.h"
#include "platform/BrowserSignInSheet.h"
#include "support/LinkCatcher.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace corvane {

class BrowserAuthenticationSessionTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_window->show();
        m_outcome.reset();
    }
    void cleanup() { m_window.reset(); }

    // The first link of the session's scheme ends it; later links, links of other schemes, links while
    // nothing waits and a second session while one waits are refused.
    void firstCallbackEndsTheSession()
    {
        test::LinkCatcher browser;
        BrowserAuthenticationSession session;
        QVERIFY(!session.deliver("corvane://auth/callback?code=early"));
        start(session);
        QCOMPARE(browser.opened, QList<QUrl>{signInPage});
        const auto second = QCoro::waitFor(session.authenticate(signInPage, "corvane", m_window.get()));
        QCOMPARE(second.error, "Another sign-in is already waiting for the browser.");
        QCOMPARE(browser.opened.size(), 1);
        QVERIFY(!session.deliver("https://example.com/?code=x"));
        QVERIFY(session.deliver("CORVANE://auth/callback?code=first"));
        QVERIFY(!session.deliver("corvane://auth/callback?code=second"));
        QTRY_VERIFY(m_outcome);
        QCOMPARE(m_outcome->callbackURL, QUrl("corvane://auth/callback?code=first"));
        QCOMPARE(m_outcome->error, std::nullopt);
        QTRY_VERIFY(!sheet());
    }

    // Cancel ends with an error; the window the sheet stands over going away, with neither a link nor
    // an error.
    void endingTheSheetEndsTheSession_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("error");
        QTest::newRow("cancel") << true << "Sign-in was cancelled before the browser came back to corvane.";
        QTest::newRow("window closed") << false << QString();
    }
    void endingTheSheetEndsTheSession()
    {
        QFETCH(bool, cancel);
        QFETCH(QString, error);
        test::LinkCatcher browser;
        BrowserAuthenticationSession session;
        start(session);
        if (cancel) {
            sheet()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        } else {
            m_window.reset();
        }
        QTRY_VERIFY(m_outcome);
        QCOMPARE(m_outcome->callbackURL, std::nullopt);
        QCOMPARE(m_outcome->error.value_or(QString()), error);
        QVERIFY(!session.deliver("corvane://auth/callback?code=late"));
    }

private:
    void start(BrowserAuthenticationSession& session)
    {
        run(session);
        QVERIFY(session.isWaiting());
    }

    QCoro::Task<> run(BrowserAuthenticationSession& session)
    {
        m_outcome = co_await session.authenticate(signInPage, "corvane", m_window.get());
    }

    BrowserSignInSheet* sheet() const { return m_window ? m_window->findChild<BrowserSignInSheet*>() : nullptr; }

    static inline const QUrl signInPage{"https://relay.example.com/user_management/authorize?client_id=c"};
    std::unique_ptr<QWidget> m_window;
    std::optional<WebAuthenticationOutcome> m_outcome;
};

CORVANE_TEST(BrowserAuthenticationSessionTest)

} // namespace corvane

#include "BrowserAuthenticationSessionTest.moc"
