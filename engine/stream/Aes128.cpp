#include "Aes128.h"

#include <openssl/evp.h>

#include <climits>
#include <memory>

namespace {

struct ContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

} // namespace

Aes128::Block Aes128::sequenceIv(long long sequence) {
    Block iv{};
    auto value = static_cast<unsigned long long>(sequence);
    for (std::size_t i = 0; i < 8; ++i, value >>= 8)
        iv[15 - i] = static_cast<std::uint8_t>(value & 0xff);
    return iv;
}

std::optional<std::string> Aes128::decrypt(std::string_view key, const Block& iv,
                                           std::string_view cipher) {
    if (key.size() != 16 || cipher.empty() || cipher.size() % 16 != 0 ||
        cipher.size() > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    const std::unique_ptr<EVP_CIPHER_CTX, ContextFree> context(EVP_CIPHER_CTX_new());
    if (!context ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr,
                           reinterpret_cast<const unsigned char*>(key.data()), iv.data()) != 1)
        return std::nullopt;
    std::string clear(cipher.size() + 16, '\0');
    auto* out = reinterpret_cast<unsigned char*>(clear.data());
    int written = 0;
    int last = 0;
    // The final step checks the padding: every one of its N bytes is N.
    if (EVP_DecryptUpdate(context.get(), out, &written,
                          reinterpret_cast<const unsigned char*>(cipher.data()),
                          static_cast<int>(cipher.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + written, &last) != 1)
        return std::nullopt;
    clear.resize(static_cast<std::size_t>(written + last));
    return clear;
}
