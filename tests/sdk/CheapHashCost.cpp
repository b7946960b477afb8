// Takes the place of the library's HashCost.cpp in the tests, which make many
// accounts and logins: at the shipped cost those take most of the suite's time.
#include "CheapHashCost.h"
#include "HashCost.h"

namespace orsa {

int embeddedHashIterations()
{
    return kCheapHashIterations;
}

} // namespace orsa
