// Moves a site between engines, a SQLite file to PostgreSQL say, without
// re-entering anything.
#ifndef ORSA_SITECOPY_H
#define ORSA_SITECOPY_H

#include "Store.h"

#include <string>

namespace orsa {

// Copies every record of the site in the SQLite database at fromSqlitePath
// (brought up to date first, as a service opening it would) into the empty
// database toDatabase names (see openStore): guids, password hashes and
// order included, all in one transaction. Failed logins are not carried over.
// Returns the number of records copied. Throws DbError, and refuses a missing
// source and a target that holds anything.
std::size_t migrateSite(const std::string& fromSqlitePath, const std::string& toDatabase);

// The same between two open stores; from is up to date, to is empty.
std::size_t copySite(Store& from, Store& to);

} // namespace orsa

#endif // ORSA_SITECOPY_H
