// orsa-migrate SQLITE_PATH DATABASE: copies a site from a SQLite file into a
// new, empty database, PostgreSQL for one. The PostgreSQL password comes from
// PGPASSWORD or ~/.pgpass, never from the command line.
#include "SiteCopy.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: orsa-migrate SQLITE_PATH DATABASE\n"
                     "  DATABASE: postgresql://user@host:port/dbname, or postgresql:// with\n"
                     "  the PG* variables; a password only in PGPASSWORD or ~/.pgpass\n");
        return 2;
    }
    try {
        const std::size_t records = orsa::migrateSite(argv[1], argv[2]);
        std::printf("copied %zu records\n", records);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orsa-migrate: %s\n", e.what());
        return 1;
    }
}
