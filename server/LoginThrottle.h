// Failed logins, counted per user name in the database, so that every
// process and session on it counts them alike. Names without an account are
// counted too: how a login is refused never tells whether a name exists.
#ifndef ORSA_LOGINTHROTTLE_H
#define ORSA_LOGINTHROTTLE_H

#include "Store.h"

#include <cstdint>
#include <string>

namespace orsa {

extern const char* const kLoginFailuresTable;

// After 5 failures in a row a name is refused for 1 s from its last failure,
// then 2 s, 4 s ... at most 5 minutes.
bool loginRefused(Store& db, const std::string& userName, std::int64_t nowMs);
void recordLoginFailure(Store& db, const std::string& userName, std::int64_t nowMs);
// A successful login starts the count again.
void clearLoginFailures(Store& db, const std::string& userName);

} // namespace orsa

#endif // ORSA_LOGINTHROTTLE_H
