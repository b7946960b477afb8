// The PBKDF2 iteration count of the hashes an embedded service makes. It is
// defined in a file of its own so that the tests can link a small count in
// its place (tests/sdk); the library itself always links HashCost.cpp.
#ifndef ORSA_SDK_HASHCOST_H
#define ORSA_SDK_HASHCOST_H

namespace orsa {

int embeddedHashIterations();

} // namespace orsa

#endif // ORSA_SDK_HASHCOST_H
