#ifndef ORSA_SCHEMA_H
#define ORSA_SCHEMA_H

#include "Store.h"

namespace orsa {

// The tables and the first account, "admin" with adminPassword, on a new
// database, or the changes since the version an older database was made by.
// True when it created the database. Throws DbError naming the problem (see
// DbError::Problem).
bool prepareDatabase(Store& db, int hashIterations, const std::string& adminPassword = "admin");

// Within a schema transaction on an empty database: the tables of this
// version, without any record.
void createTables(Store& db);

// A new account's salt and hash columns for a clear password.
struct PasswordRecord {
    std::string salt;
    std::string hash;
    int iterations;
};
PasswordRecord makePasswordRecord(const std::string& password, int iterations);

} // namespace orsa

#endif // ORSA_SCHEMA_H
