#include "support/TestRegistry.h"
#include "ui/components/RelativeTime.h"

#include <QTest>

#include <chrono>

using namespace corvane;
using namespace std::chrono_literals;

class ComponentsTest : public QObject {
    Q_OBJECT

private slots:
    void shortFrom_data()
    {
        QTest::addColumn<qint64>("millisecondsAgo");
        QTest::addColumn<QString>("expected");

        QTest::newRow("4.9 s") << qint64(4'900) << "now";
        QTest::newRow("5 s") << qint64(5'000) << "5s";
        QTest::newRow("59.9 s") << qint64(59'900) << "59s";
        QTest::newRow("60 s") << qint64(60'000) << "1m";
        QTest::newRow("3599 s") << qint64(3'599'000) << "59m";
        QTest::newRow("3600 s") << qint64(3'600'000) << "1h";
        QTest::newRow("86400 s") << qint64(86'400'000) << "1d";
        QTest::newRow("400 days") << qint64(400LL * 86'400'000) << "400d";
        QTest::newRow("a day ahead") << qint64(-86'400'000) << "now";
    }
    // Both forms of a moment give the same text.
    void shortFrom()
    {
        QFETCH(qint64, millisecondsAgo);
        QFETCH(QString, expected);

        const auto now = RelativeTime::Clock::time_point(1'738'314'900'250ms);
        QCOMPARE(RelativeTime::shortFrom(now - std::chrono::milliseconds(millisecondsAgo), now), expected);

        const auto nowDate = QDateTime::fromMSecsSinceEpoch(1'738'314'900'250, Qt::UTC);
        QCOMPARE(RelativeTime::shortFrom(nowDate.addMSecs(-millisecondsAgo), nowDate), expected);
    }

    void shortISO_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        // 2025-01-31T09:15:00.250Z is 1'738'314'900'250 ms after the epoch; "now" is 3 min 7.5 s later.
        QTest::newRow("fraction and Z") << "2025-01-31T09:15:00.250Z" << "3m";
        QTest::newRow("no fraction") << "2025-01-31T09:15:00Z" << "";
        QTest::newRow("not a date") << "yesterday" << "";
    }
    void shortISO()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);

        const auto now = RelativeTime::Clock::time_point(1'738'314'900'250ms + 187'500ms);
        QCOMPARE(RelativeTime::shortISO(text, now), expected);
        // momentISO names the same moment.
        const QDateTime moment = RelativeTime::momentISO(text);
        QCOMPARE(moment.isValid()
                ? RelativeTime::shortFrom(moment, QDateTime::fromMSecsSinceEpoch(1'738'315'087'750, Qt::UTC))
                : QString(),
            expected);
    }
};

CORVANE_TEST(ComponentsTest)
#include "ComponentsTest.moc"
