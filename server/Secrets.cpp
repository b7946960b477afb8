#include "Secrets.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <stdexcept>

namespace orsa {

std::string randomBytes(int count)
{
    std::string out(static_cast<std::size_t>(count), '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&out[0]), count) != 1)
        throw std::runtime_error("RAND_bytes failed");
    return out;
}

std::string newGuid()
{
    std::string b = randomBytes(16);
    b[6] = static_cast<char>((b[6] & 0x0F) | 0x40); // version 4
    b[8] = static_cast<char>((b[8] & 0x3F) | 0x80); // RFC 4122 variant
    std::string out;
    char hex[3];
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(b[i]));
        out += hex;
    }
    return out;
}

std::string hashPassword(const std::string& password, const std::string& salt, int iterations)
{
    std::string out(32, '\0');
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(),
                          static_cast<int>(out.size()),
                          reinterpret_cast<unsigned char*>(&out[0])) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return out;
}

bool sameSecret(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace orsa
