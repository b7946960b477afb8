// TLS settings both ends share.
#ifndef ORSA_TLS_H
#define ORSA_TLS_H

#include <openssl/types.h>

#include <string>

namespace orsa {

// TLS 1.2 at least; OpenSSL offers 1.3 first.
void applyTlsDefaults(SSL_CTX* ctx);
// SHA-256 of the certificate's DER form: upper-case hex pairs joined by ':'.
// Empty for a null certificate.
std::string certificateFingerprint(X509* cert);

} // namespace orsa

#endif // ORSA_TLS_H
