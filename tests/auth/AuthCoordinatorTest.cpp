#include "auth/AuthCoordinator.h"
#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTest>

namespace corvane {

class AuthCoordinatorTest : public QObject {
    Q_OBJECT

private slots:
    // Every attempt makes a fresh 86-character verifier and its 43-character challenge, both in the
    // Base64url alphabet without padding; the challenge is that of RFC 7636, appendix B.
    void verifierAndChallenge()
    {
        static const QRegularExpression urlSafe("^[A-Za-z0-9_-]{86}$");
        QSet<QString> seen;
        for (int attempt = 0; attempt < 50; ++attempt) {
            const QString verifier = AuthCoordinator::randomURLSafe(64);
            QVERIFY(urlSafe.match(verifier).hasMatch());
            seen.insert(verifier);
        }
        QCOMPARE(seen.size(), 50);
        QCOMPARE(AuthCoordinator::s256("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    }

    void authorizationURL_data()
    {
        QTest::addColumn<QString>("serviceURL");
        QTest::addColumn<QString>("expected");
        const QString query = "?client_id=client_01CORVANELOCALRELAY0000000&redirect_uri=corvane://auth/callback"
                              "&response_type=code&provider=authkit&code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbu"
                              "GJSstw-cM&code_challenge_method=S256";
        QTest::newRow("local relay") << "http://127.0.0.1:3100"
                                     << "http://127.0.0.1:3100/user_management/authorize" + query;
        QTest::newRow("relay under a path") << "https://relay.example.com/corvane"
                                            << "https://relay.example.com/corvane/user_management/authorize" + query;
        QTest::newRow("not a web address") << "ftp://relay.example.com" << "";
    }
    void authorizationURL()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QFETCH(QString, serviceURL);
        QFETCH(QString, expected);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        AppSettings::setServiceURL(serviceURL);
        const QUrl url = AuthCoordinator::authorizationURL("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
        QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
    }

    void authorizationCode_data()
    {
        QTest::addColumn<QString>("callback");
        QTest::addColumn<QString>("code"); // null: no code
        QTest::newRow("two codes: the first") << "corvane://auth/callback?code=one&code=two" << "one";
        QTest::newRow("percent-encoded") << "corvane://auth/callback?code=a%2Fb%20c" << "a/b c";
        QTest::newRow("empty value is a value") << "corvane://auth/callback?code=" << "";
        QTest::newRow("name without a value") << "corvane://auth/callback?code&code=late" << QString();
        QTest::newRow("only an error") << "corvane://auth/callback?error=access_denied" << QString();
        QTest::newRow("name differs in case") << "corvane://auth/callback?Code=abc" << QString();
        QTest::newRow("no query") << "corvane://auth/callback" << QString();
        QTest::newRow("unparsable") << "corvane://auth/callback?code=%zz" << QString();
    }
    void authorizationCode()
    {
        QFETCH(QString, callback);
        QFETCH(QString, code);
        const auto found = AuthCoordinator::authorizationCode(QUrl(callback, QUrl::StrictMode));
        if (code.isNull()) {
            QCOMPARE(found, std::unexpected(AuthError::noCode));
        } else {
            QCOMPARE(found, code);
        }
    }
};

CORVANE_TEST(AuthCoordinatorTest)

} // namespace corvane

#include "AuthCoordinatorTest.moc"
