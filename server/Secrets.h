// Random identifiers and password hashing, on OpenSSL's libcrypto.
#ifndef ORSA_SECRETS_H
#define ORSA_SECRETS_H

#include <string>

namespace orsa {

// OWASP's current recommendation for PBKDF2-HMAC-SHA256.
constexpr int kPbkdf2Iterations = 600000;
constexpr int kSaltSize = 16;

// Random bytes from the system's CSPRNG; throws std::runtime_error when it fails.
std::string randomBytes(int count);
// A random (version 4) UUID, lower case, without braces.
std::string newGuid();
// PBKDF2-HMAC-SHA256, 32 bytes.
std::string hashPassword(const std::string& password, const std::string& salt, int iterations);
// Compares in time independent of where the inputs differ.
bool sameSecret(const std::string& a, const std::string& b);

} // namespace orsa

#endif // ORSA_SECRETS_H
