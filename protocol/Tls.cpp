#include "Tls.h"

#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace orsa {

void applyTlsDefaults(SSL_CTX* ctx)
{
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
}

std::string certificateFingerprint(X509* cert)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!cert || X509_digest(cert, EVP_sha256(), digest, &size) != 1)
        return {};
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
        if (i)
            out.push_back(':');
        out.push_back(hex[digest[i] >> 4]);
        out.push_back(hex[digest[i] & 0xF]);
    }
    return out;
}

} // namespace orsa
