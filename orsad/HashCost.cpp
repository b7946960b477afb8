#include "HashCost.h"

#include "Secrets.h"

namespace orsad {

int hashIterations()
{
    return orsa::kPbkdf2Iterations;
}

} // namespace orsad
