// orsad's own certificate when none is given: self-signed, made once.
#ifndef ORSAD_CERTIFICATE_H
#define ORSAD_CERTIFICATE_H

#include <string>

namespace orsad {

// Makes a self-signed certificate and its key (0600) at the two paths unless
// the certificate exists already; true when it made them. Throws
// std::runtime_error on failure.
bool ensureSelfSigned(const std::string& certPath, const std::string& keyPath);
// The SHA-256 fingerprint of a PEM certificate file; throws when unreadable.
std::string fileFingerprint(const std::string& certPath);

} // namespace orsad

#endif // ORSAD_CERTIFICATE_H
