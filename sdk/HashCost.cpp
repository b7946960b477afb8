#include "HashCost.h"

#include "Secrets.h"

namespace orsa {

int embeddedHashIterations()
{
    return kPbkdf2Iterations;
}

} // namespace orsa
