// The PBKDF2 iteration count of the hashes orsad makes. In a file of its own
// so that the tests can build an orsad with a small count in its place
// (tests/CMakeLists.txt); the installed orsad always links HashCost.cpp.
#ifndef ORSAD_HASHCOST_H
#define ORSAD_HASHCOST_H

namespace orsad {

int hashIterations();

} // namespace orsad

#endif // ORSAD_HASHCOST_H
