#include "Certificate.h"

#include "Tls.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace orsad {
namespace {

template <class T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;
using Key = Owned<EVP_PKEY, EVP_PKEY_free>;
using Cert = Owned<X509, X509_free>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what);
}

// Created with the mode from the start, so the key is never readable by others.
File createFile(const std::string& path, mode_t mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        fail("cannot create " + path);
    ::fchmod(fd, mode);
    File f(::fdopen(fd, "w"));
    if (!f) {
        ::close(fd);
        fail("cannot write " + path);
    }
    return f;
}

void addExtension(X509* cert, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    Owned<X509_EXTENSION, X509_EXTENSION_free> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
    if (!ext || !X509_add_ext(cert, ext.get(), -1))
        fail("cannot build the certificate");
}

} // namespace

bool ensureSelfSigned(const std::string& certPath, const std::string& keyPath)
{
    if (::access(certPath.c_str(), F_OK) == 0)
        return false;
    Key key(EVP_EC_gen("P-256"));
    Cert cert(X509_new());
    if (!key || !cert)
        fail("cannot make a key");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), static_cast<long>(::time(nullptr)));
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 10L * 365 * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("orsad"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    addExtension(cert.get(), NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1,IP:::1");
    if (!X509_sign(cert.get(), key.get(), EVP_sha256()))
        fail("cannot sign the certificate");

    File keyFile = createFile(keyPath, 0600);
    if (!PEM_write_PrivateKey(keyFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr))
        fail("cannot write " + keyPath);
    File certFile = createFile(certPath, 0644);
    if (!PEM_write_X509(certFile.get(), cert.get()))
        fail("cannot write " + certPath);
    return true;
}

std::string fileFingerprint(const std::string& certPath)
{
    File f(std::fopen(certPath.c_str(), "r"));
    if (!f)
        fail("cannot read " + certPath);
    Cert cert(PEM_read_X509(f.get(), nullptr, nullptr, nullptr));
    if (!cert)
        fail("no certificate in " + certPath);
    return orsa::certificateFingerprint(cert.get());
}

} // namespace orsad
