#ifndef ORSA_SCHEMA_H
#define ORSA_SCHEMA_H

#include "SqliteDb.h"

namespace orsa {

// Durability settings, then tables and the first account on a new database.
// True when it created them.
bool prepareDatabase(Database& db, const std::string& adminPassword);

// A new account's salt and hash columns for a clear password.
struct PasswordRecord {
    std::string salt;
    std::string hash;
    int iterations;
};
PasswordRecord makePasswordRecord(const std::string& password);

} // namespace orsa

#endif // ORSA_SCHEMA_H
