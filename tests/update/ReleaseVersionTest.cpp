#include "update/ReleaseVersion.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace corvane;

class ReleaseVersionTest : public QObject {
    Q_OBJECT

private slots:
    // `order` is how the left release stands to the right one: 1 newer, 0 equal, -1 older.
    void comparesPartByPartAsNumbers_data()
    {
        QTest::addColumn<QString>("leftVersion");
        QTest::addColumn<QString>("leftBuild");
        QTest::addColumn<QString>("rightVersion");
        QTest::addColumn<QString>("rightBuild");
        QTest::addColumn<int>("order");

        QTest::newRow("1.10 after 1.9") << "1.10" << "" << "1.9" << "" << 1;
        QTest::newRow("1.4 before 1.4.1") << "1.4" << "" << "1.4.1" << "" << -1;
        QTest::newRow("large parts") << "1.999999998" << "" << "1.999999999" << "" << -1;
        QTest::newRow("trailing zero") << "1.4" << "" << "1.4.0" << "" << 0;
        QTest::newRow("leading zero") << "1.01" << "" << "1.1" << "" << 0;
        QTest::newRow("build breaks a tie") << "1.4.0" << "10" << "1.4.0" << "9" << 1;
        QTest::newRow("dotted build") << "1.4.0" << "27" << "1.4.0" << "27.1" << -1;
        QTest::newRow("version before build") << "1.5" << "1" << "1.4" << "99" << 1;
        QTest::newRow("no build is build 0") << "1.4.0" << "" << "1.4.0" << "0" << 0;
        QTest::newRow("any build after none") << "1.4.0" << "1" << "1.4.0" << "" << 1;
    }
    void comparesPartByPartAsNumbers()
    {
        QFETCH(QString, leftVersion);
        QFETCH(QString, leftBuild);
        QFETCH(QString, rightVersion);
        QFETCH(QString, rightBuild);
        QFETCH(int, order);

        const auto left = ReleaseVersion::parse(leftVersion, leftBuild);
        const auto right = ReleaseVersion::parse(rightVersion, rightBuild);
        QVERIFY(left && right);
        QCOMPARE((*left <=> *right), (order <=> 0));
        QCOMPARE((*right <=> *left), (0 <=> order));
        QCOMPARE(*left == *right, order == 0);
    }

    void rejectsWhatIsNotNumbersSeparatedByDots_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");

        QTest::newRow("empty version") << "" << "27";
        QTest::newRow("trailing dot") << "1." << "";
        QTest::newRow("suffix") << "1.2-beta" << "";
        QTest::newRow("surrounding space") << " 1.2" << "";
        QTest::newRow("sign") << "+1.2" << "";
        QTest::newRow("ten digits") << "1.1234567890" << "";
        QTest::newRow("other digits") << "\u0661.\u0662" << "";
        QTest::newRow("bad build") << "1.4.0" << "27a";
    }
    void rejectsWhatIsNotNumbersSeparatedByDots()
    {
        QFETCH(QString, version);
        QFETCH(QString, build);

        QVERIFY(!ReleaseVersion::parse(version, build));
    }
};

CORVANE_TEST(ReleaseVersionTest)
#include "ReleaseVersionTest.moc"
