#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QProcess>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int waitMilliseconds = 15000;

// Stops or starts the throw-away cluster the suite runs beside (scripts/with-postgres).
bool controlCluster(const QString& action)
{
    return QProcess::execute(qEnvironmentVariable("CORVANE_TEST_POSTGRES_CONTROL"), {"--control", action}) == 0;
}

} // namespace

// What only the PostgreSQL store has: a connection URI that may hold a password, and a database
// server that can go away and come back while the relay runs.
class PostgresStoreTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!RelayProcess::usesPostgres()) {
            QSKIP("these cases are the PostgreSQL store's; relay_tests_postgresql runs them");
        }
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
    }

    void logNamesTheDatabaseWithoutItsPassword_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("in the query") << "postgresql://" << "&password=pa55-never-logged";
        QTest::newRow("in the user part") << "postgresql://:pa55-never-logged@" << "";
    }

    void logNamesTheDatabaseWithoutItsPassword()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        RelayProcess relay;
        relay.keepLog();
        const auto database = prefix + relay.database().mid(QString("postgresql://").size()) + suffix;
        QVERIFY(relay.start({"--database", database}));
        QVERIFY(relay.log().contains("store: PostgreSQL"));
        QVERIFY2(!relay.log().contains("pa55"), relay.log().constData());
    }

    // While the database is stopped, hook requests are refused with 503 and Retry-After, whether their
    // listener is known from before or looked up now, and none of them is stored; the relay comes back
    // by itself once the database does.
    void lostDatabaseRefusesUntilItReturns()
    {
        RelayProcess relay({"CORVANE_RELAY_RATE_LIMIT=0"});
        QVERIFY(relay.start());
        RelayClient client(relay);
        client.signInAndUse();
        const auto known = client.createListener("Known");
        const auto unseen = client.createListener("Unseen");
        QCOMPARE(client.hook(known).status, 202);

        QVERIFY(controlCluster("stop"));
        for (const auto& listener : {known, unseen, known}) {
            const auto refused = client.hook(listener);
            QCOMPARE(refused.status, 503);
            QCOMPARE(refused.headers.value("retry-after"), QByteArray("1"));
        }
        QCOMPARE(client.send("GET", "/healthz").status, 503);
        QVERIFY(controlCluster("start"));

        QTRY_COMPARE_WITH_TIMEOUT(client.send("GET", "/healthz").status, 200, waitMilliseconds);
        // QTRY evaluates its expression more than once; this sends no more once one was stored.
        int stored = 0;
        const auto storeOne = [&] {
            stored += stored == 0 && client.hook(unseen).status == 202 ? 1 : 0;
            return stored;
        };
        QTRY_COMPARE_WITH_TIMEOUT(storeOne(), 1, waitMilliseconds);
        QCOMPARE(client.hook(known).status, 202);
        QCOMPARE(client.recent(known).size(), std::size_t(2));
        QCOMPARE(client.recent(unseen).size(), std::size_t(1));
    }
};

CORVANE_TEST(PostgresStoreTest)
#include "PostgresStoreTest.moc"
