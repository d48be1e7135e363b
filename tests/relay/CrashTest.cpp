#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QElapsedTimer>
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
    void acknowledgedWebhooksSurviveKill()
    {
        constexpr int listenerCount = 3;
        constexpr int inFlight = 8;
        constexpr int killAfter = 150;
        RelayProcess relay({"CORVANE_RELAY_RATE_LIMIT=0"});
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto key = client.signIn();
        client.setKey(key);
        std::vector<nlohmann::json> listeners;
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
            QNetworkRequest request(relay.url(QString::fromStdString(listener["hook_path"].get<std::string>())));
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
            auto* reply = network.post(request, QByteArray(R"({"sequence":)") + QByteArray::number(sent) + "}");
            ++sent;
            connect(reply, &QNetworkReply::finished, this, [&, reply] {
                reply->deleteLater();
                const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                if (status == 202) {
                    const auto body = HttpReply{status, reply->readAll(), {}}.json();
                    acknowledged.insert(QString::fromStdString(body["id"].get<std::string>()));
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
        RelayClient restarted(relay);
        restarted.setKey(key);
        QSet<QString> stored;
        QMap<std::string, std::size_t> storedPerListener;
        for (const auto& listener : listeners) {
            const auto recent = restarted.send("GET",
                "/webhooks/listener/" + QString::fromStdString(listener["id"].get<std::string>())
                    + "/recent?limit=100");
            QCOMPARE(recent.status, 200);
            const auto payloads = recent.json()["webhooks"];
            for (const auto& payload : payloads) {
                stored.insert(QString::fromStdString(payload["id"].get<std::string>()));
            }
            storedPerListener[listener["id"].get<std::string>()] = payloads.size();
        }
        // Each listener's total counts exactly the captures committed for it, batches shared with
        // other listeners' captures included.
        const auto counted = restarted.send("GET", "/listeners/").json()["listeners"];
        QCOMPARE(counted.size(), std::size_t(listenerCount));
        for (const auto& listener : counted) {
            QCOMPARE(
                listener["total_received"].get<std::size_t>(), storedPerListener[listener["id"].get<std::string>()]);
        }
        for (const auto& id : acknowledgedBeforeKill) {
            QVERIFY2(stored.contains(id), qPrintable(id + " was acknowledged but is gone"));
        }
    }

    // SIGTERM: requests in flight are answered, then the relay exits with status 0.
    void terminateExitsCleanly()
    {
        RelayProcess relay;
        QVERIFY(relay.start());
        RelayClient client(relay);
        client.setKey(client.signIn());
        QCOMPARE(client.hook(client.createListener("Last")).status, 202);
        QCOMPARE(relay.terminate(), 0);
    }
};

CORVANE_TEST(CrashTest)
#include "CrashTest.moc"
