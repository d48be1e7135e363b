#include "update/FeedSignature.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace corvane::FeedSignature {
namespace {

constexpr qsizetype rawKeyBytes = 32;
constexpr qsizetype signatureBytes = 64;

struct FreeKey {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct FreeContext {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Key = std::unique_ptr<EVP_PKEY, FreeKey>;

// OpenSSL queues the reasons of failed calls on this thread; none of them matter past one verification.
struct ClearErrorsOnExit {
    ClearErrorsOnExit() = default;
    ClearErrorsOnExit(const ClearErrorsOnExit&) = delete;
    ClearErrorsOnExit& operator=(const ClearErrorsOnExit&) = delete;
    ~ClearErrorsOnExit() { ERR_clear_error(); }
};

const unsigned char* bytes(const QByteArray& array)
{
    return reinterpret_cast<const unsigned char*>(array.constData());
}

std::optional<QByteArray> strictBase64(const QByteArray& text)
{
    auto decoded = QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return *std::move(decoded);
}

Key publicKeyFrom(const QByteArray& encoded)
{
    if (encoded.size() == rawKeyBytes) {
        return Key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, bytes(encoded), rawKeyBytes));
    }
    const unsigned char* cursor = bytes(encoded);
    Key key(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(encoded.size())));
    if (!key || cursor != bytes(encoded) + encoded.size() || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_ED25519) {
        return nullptr;
    }
    return key;
}

} // namespace

std::expected<void, UpdateFailure> verify(
    const QByteArray& document, const QByteArray& signature, const QByteArray& publicKey)
{
    const ClearErrorsOnExit clearErrors;

    const auto keyBytes = strictBase64(publicKey);
    const Key key = keyBytes ? publicKeyFrom(*keyBytes) : nullptr;
    if (!key) {
        return std::unexpected(
            UpdateFailure::misconfigured(QStringLiteral("its update key is not an Ed25519 public key")));
    }
    const auto decodedSignature = strictBase64(signature);
    if (!decodedSignature || decodedSignature->size() != signatureBytes) {
        return std::unexpected(UpdateFailure::badSignature(QStringLiteral("is not base64 of 64 bytes")));
    }
    const std::unique_ptr<EVP_MD_CTX, FreeContext> context(EVP_MD_CTX_new());
    const bool verified = context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1
        && EVP_DigestVerify(context.get(), bytes(*decodedSignature), signatureBytes, bytes(document),
               static_cast<std::size_t>(document.size()))
            == 1;
    if (!verified) {
        return std::unexpected(UpdateFailure::badSignature(QStringLiteral("does not match the feed")));
    }
    return {};
}

} // namespace corvane::FeedSignature
