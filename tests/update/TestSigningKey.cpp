#include "update/TestSigningKey.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <QtGlobal>

namespace corvane::test {
TestSigningKey::TestSigningKey(EVP_PKEY* key) : m_key(key, EVP_PKEY_free)
{
}

TestSigningKey TestSigningKey::ed25519()
{
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    if (key == nullptr) {
        qFatal("OpenSSL could not generate a test key");
    }
    return TestSigningKey(key);
}

QByteArray TestSigningKey::rawPublicKey() const
{
    QByteArray key(32, '\0');
    std::size_t length = 32;
    if (EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(key.data()), &length) != 1) {
        qFatal("the test key has no raw public key");
    }
    return key.left(static_cast<qsizetype>(length)).toBase64();
}

QByteArray TestSigningKey::publicKeyInfo() const
{
    const int length = i2d_PUBKEY(m_key.get(), nullptr);
    QByteArray encoded(length, '\0');
    auto* cursor = reinterpret_cast<unsigned char*>(encoded.data());
    i2d_PUBKEY(m_key.get(), &cursor);
    return encoded.toBase64();
}

QByteArray TestSigningKey::sign(const QByteArray& document) const
{
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    QByteArray signature(64, '\0');
    std::size_t length = 64;
    const bool done = EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, m_key.get()) == 1
        && EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
               reinterpret_cast<const unsigned char*>(document.constData()), static_cast<std::size_t>(document.size()))
            == 1;
    if (!done) {
        qFatal("OpenSSL could not sign with the test key");
    }
    return signature.toBase64();
}

} // namespace corvane::test
