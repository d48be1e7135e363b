#pragma once

#include <QByteArray>

#include <memory>

typedef struct evp_pkey_st EVP_PKEY; // NOLINT(modernize-use-using): OpenSSL's own spelling

namespace corvane::test {

// A key pair made for one test run with OpenSSL, to sign feeds the way a distributor does.
class TestSigningKey {
public:
    static TestSigningKey ed25519();

    // Base64 of the raw 32-byte public key (Ed25519 only).
    QByteArray rawPublicKey() const;
    // Base64 of the DER SubjectPublicKeyInfo: the body of `openssl pkey -pubout`'s PEM file.
    QByteArray publicKeyInfo() const;
    // Base64 of the Ed25519 signature of `document`.
    QByteArray sign(const QByteArray& document) const;

private:
    explicit TestSigningKey(EVP_PKEY* key);

    std::shared_ptr<EVP_PKEY> m_key;
};

} // namespace corvane::test
