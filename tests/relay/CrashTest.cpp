#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTest>

#include <functional>
#include <vector>

using namespace corvane;
using namespace corvane::test;

// Durability: a webhook acknowledged with 202 survives the relay being killed right afterwards.
class CrashTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CORVANE_SKIP_WITHOUT_RELAY_STORE(); }

    void acknowledgedWebhooksSurviveKill()
    {
        constexpr int listenerCount = 3;
        constexpr int inFlight = 8;
        constexpr int killAfter = 150;
        RelayProcess relay({"CORVANE_RELAY_RATE_LIMIT=0"});
        QVERIFY(relay.start());
        RelayClient client(relay);
        client.signInAndUse();
        std::vector<nlohmann::json> listeners;
        listeners.reserve(listenerCount);
        for (int index = 0; index < listenerCount; ++index) {
            listeners.push_back(client.createListener("Crash " + QString::number(index)));
        }

        // Keeps `inFlight` hook requests going, round robin over the listeners, and kills the relay
        // once `killAfter` were acknowledged, while the rest are still in flight.
        QNetworkAccessManager network;
        QSet<QString> acknowledged;
        int sent = 0;
        bool killed = false;
        std::function<void()> sendOne = [&] {
            const auto& listener = listeners[std::size_t(sent % listenerCount)];
            QNetworkRequest request(relay.url(QString::fromUtf8(RelayClient::hookPathOf(listener))));
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
            auto* reply = network.post(request, QByteArray(R"({"sequence":)") + QByteArray::number(sent) + "}");
            ++sent;
            connect(reply, &QNetworkReply::finished, this, [&, reply] {
                reply->deleteLater();
                const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                if (status == 202) {
                    acknowledged.insert(RelayClient::idOf(HttpReply{status, reply->readAll(), {}}.json()));
                }
                if (!killed && acknowledged.size() >= killAfter) {
                    killed = true;
                    relay.kill();
                } else if (!killed && sent < 10 * killAfter) {
                    sendOne();
                }
            });
        };
        for (int index = 0; index < inFlight; ++index) {
            sendOne();
        }
        QTRY_VERIFY_WITH_TIMEOUT(killed, 60000);
        const auto acknowledgedBeforeKill = acknowledged;
        QVERIFY(acknowledgedBeforeKill.size() >= killAfter);

        QVERIFY(relay.start());
        QSet<QString> stored;
        QMap<QString, std::size_t> storedPerListener;
        for (const auto& listener : listeners) {
            const auto payloads = client.recent(listener);
            for (const auto& payload : payloads) {
                stored.insert(RelayClient::idOf(payload));
            }
            storedPerListener[RelayClient::idOf(listener)] = payloads.size();
        }
        // Each listener's total counts exactly the captures committed for it, batches shared with
        // other listeners' captures included.
        const auto counted = client.send("GET", "/listeners/").json()["listeners"];
        QCOMPARE(counted.size(), std::size_t(listenerCount));
        for (const auto& listener : counted) {
            QCOMPARE(listener["total_received"].get<std::size_t>(), storedPerListener[RelayClient::idOf(listener)]);
        }
        for (const auto& id : acknowledgedBeforeKill) {
            QVERIFY2(stored.contains(id), qPrintable(id + " was acknowledged but is gone"));
        }
    }
};

CORVANE_TEST(CrashTest)
#include "CrashTest.moc"
