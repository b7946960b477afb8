#include "Store.h"

#include "PgStore.h"
#include "SqliteStore.h"

namespace orsa {

DbError DbError::of(Problem problem)
{
    switch (problem) {
    case Problem::ReadOnly:
        return DbError("the database is read-only", problem);
    case Problem::Locked:
        return DbError("the database is locked by another process", problem);
    case Problem::NotOurs:
        return DbError("not a database of this service", problem);
    case Problem::Newer:
        return DbError("the database was made by a newer version of the service", problem);
    case Problem::Conflict:
        return DbError("a concurrent change got in the way", problem);
    case Problem::Duplicate:
    case Problem::Reference:
    case Problem::Other:
        break;
    }
    return DbError("the database cannot be used", problem);
}

bool isPostgresqlUri(const std::string& address)
{
    return address.rfind("postgresql://", 0) == 0 || address.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Store> openStore(const std::string& address)
{
    if (isPostgresqlUri(address))
        return std::make_unique<PgStore>(address);
    return std::make_unique<SqliteStore>(address);
}

} // namespace orsa
