#include "common/Secrets.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace corvane::relay::Secrets {
namespace {

using Digest = std::array<unsigned char, SHA256_DIGEST_LENGTH>;

Digest sha256(std::string_view text)
{
    Digest digest{};
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest.data());
    return digest;
}

std::vector<unsigned char> randomBytes(std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    if (RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) {
        // Without a working random generator no key or token can be safe; there is nothing to fall back to.
        std::abort();
    }
    return bytes;
}

// Random bytes for identifiers, drawn from the generator a block at a time: one generator call per
// block instead of one per identifier. Each thread has its own block.
class IdentifierBytes {
public:
    template <std::size_t Count> std::array<unsigned char, Count> take()
    {
        static_assert(Count <= blockSize);
        if (blockSize - m_used < Count) {
            if (RAND_bytes(m_block.data(), static_cast<int>(m_block.size())) != 1) {
                std::abort();
            }
            m_used = 0;
        }
        std::array<unsigned char, Count> bytes{};
        std::copy_n(m_block.begin() + static_cast<std::ptrdiff_t>(m_used), Count, bytes.begin());
        // Bytes handed out are not left behind in memory.
        std::fill_n(m_block.begin() + static_cast<std::ptrdiff_t>(m_used), Count, 0);
        m_used += Count;
        return bytes;
    }

private:
    static constexpr std::size_t blockSize = 512;

    std::array<unsigned char, blockSize> m_block{};
    std::size_t m_used = blockSize;
};

std::string base64Of(const unsigned char* data, std::size_t size)
{
    std::string text(4 * ((size + 2) / 3), '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), data, static_cast<int>(size));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string base64Url(const unsigned char* data, std::size_t size)
{
    std::string text = base64Of(data, size);
    while (!text.empty() && text.back() == '=') {
        text.pop_back();
    }
    for (char& character : text) {
        character = character == '+' ? '-' : character == '/' ? '_' : character;
    }
    return text;
}

void appendHex(std::string& text, const unsigned char* data, std::size_t size)
{
    static constexpr std::string_view digits = "0123456789abcdef";
    for (std::size_t index = 0; index < size; ++index) {
        text += digits[data[index] >> 4];
        text += digits[data[index] & 0x0f];
    }
}

std::string hex(const unsigned char* data, std::size_t size)
{
    std::string text;
    text.reserve(size * 2);
    appendHex(text, data, size);
    return text;
}

} // namespace

std::string randomToken(std::size_t byteCount)
{
    const auto bytes = randomBytes(byteCount);
    return base64Url(bytes.data(), bytes.size());
}

std::string randomId(std::string_view prefix)
{
    constexpr std::size_t idBytes = 12;
    const auto bytes = randomBytes(idBytes);
    return std::string(prefix) + hex(bytes.data(), bytes.size());
}

std::string orderedId(std::string_view prefix, std::int64_t milliseconds)
{
    constexpr std::size_t randomBytesCount = 8;
    constexpr int timeDigits = 12;
    std::array<unsigned char, timeDigits / 2> time{};
    for (std::size_t index = time.size(); index-- > 0;) {
        time[index] = static_cast<unsigned char>(milliseconds & 0xff);
        milliseconds >>= 8;
    }
    thread_local IdentifierBytes source;
    const auto bytes = source.take<randomBytesCount>();
    std::string id;
    id.reserve(prefix.size() + 2 * (time.size() + bytes.size()));
    id += prefix;
    appendHex(id, time.data(), time.size());
    appendHex(id, bytes.data(), bytes.size());
    return id;
}

std::string sha256Hex(std::string_view text)
{
    const auto digest = sha256(text);
    return hex(digest.data(), digest.size());
}

std::string keyHash(std::string_view key)
{
    return sha256Hex(key);
}

std::string s256(std::string_view verifier)
{
    const auto digest = sha256(verifier);
    return base64Url(digest.data(), digest.size());
}

bool equal(std::string_view left, std::string_view right)
{
    const auto leftDigest = sha256(left);
    const auto rightDigest = sha256(right);
    return CRYPTO_memcmp(leftDigest.data(), rightDigest.data(), leftDigest.size()) == 0;
}

std::string base64(std::string_view bytes)
{
    return base64Of(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

} // namespace corvane::relay::Secrets
