#include "update/FeedSignature.h"
#include "support/TestRegistry.h"
#include "update/TestSigningKey.h"

#include <QTest>

#include <optional>

using namespace corvane;
using test::TestSigningKey;

Q_DECLARE_METATYPE(std::optional<corvane::UpdateFailure::Kind>)

namespace {

const QByteArray document = R"(<?xml version="1.0"?><rss version="2.0"><channel/></rss>)";

} // namespace

class FeedSignatureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_key = TestSigningKey::ed25519();
        m_otherKey = TestSigningKey::ed25519();
    }

    void onlyTheKeysSignatureOfTheExactBytesVerifies_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<QByteArray>("publicKey");
        QTest::addColumn<std::optional<UpdateFailure::Kind>>("failure");

        const QByteArray signature = m_key->sign(document);
        const QByteArray rawKey = m_key->rawPublicKey();
        const auto valid = std::optional<UpdateFailure::Kind>();
        const auto bad = std::optional(UpdateFailure::Kind::badSignature);
        const auto misconfigured = std::optional(UpdateFailure::Kind::misconfigured);
        QByteArray flipped = QByteArray::fromBase64(signature);
        flipped[10] = static_cast<char>(flipped[10] ^ 1);

        QTest::newRow("raw key") << document << signature << rawKey << valid;
        QTest::newRow("key from openssl pkey -pubout") << document << signature << m_key->publicKeyInfo() << valid;
        QTest::newRow("signature file ends with a newline") << document << signature + "\n" << rawKey << valid;
        QTest::newRow("one byte more in the feed") << document + "\n" << signature << rawKey << bad;
        QTest::newRow("one bit changed in the signature") << document << flipped.toBase64() << rawKey << bad;
        QTest::newRow("another key's signature") << document << m_otherKey->sign(document) << rawKey << bad;
        QTest::newRow("empty signature") << document << QByteArray() << rawKey << bad;
        QTest::newRow("key not base64") << document << signature << QByteArray("?") << misconfigured;
        QTest::newRow("key of 31 bytes") << document << signature << QByteArray::fromBase64(rawKey).left(31).toBase64()
                                         << misconfigured;
        QTest::newRow("key info with trailing bytes")
            << document << signature << (QByteArray::fromBase64(m_key->publicKeyInfo()) + "x").toBase64()
            << misconfigured;
    }
    void onlyTheKeysSignatureOfTheExactBytesVerifies()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, signature);
        QFETCH(QByteArray, publicKey);
        QFETCH(std::optional<UpdateFailure::Kind>, failure);

        const auto verified = FeedSignature::verify(content, signature, publicKey);
        QCOMPARE(verified.has_value(), !failure.has_value());
        if (failure) {
            QCOMPARE(verified.error().kind, *failure);
            QVERIFY(!verified.error().description.isEmpty());
        }
    }

private:
    std::optional<TestSigningKey> m_key;
    std::optional<TestSigningKey> m_otherKey;
};

CORVANE_TEST(FeedSignatureTest)
#include "FeedSignatureTest.moc"
