// Which store the service's tests run on. CTest runs each of them twice: on
// SQLite, and with ORSA_TEST_ENGINE=postgresql on the cluster that
// ORSA_TEST_POSTGRESQL names (a postgresql:// URI without a database, as
// scripts/pgcluster.sh exports it). Without that variable the PostgreSQL run
// skips.
#ifndef TESTENGINE_H
#define TESTENGINE_H

#include <QtTest>

#include <string>

bool onPostgresql();
// Empty when the engine can be tested; otherwise why not.
QByteArray engineMissing();

// In initTestCase(): skips the whole program when its engine is missing.
#define ORSA_REQUIRE_ENGINE()                                                                      \
    do {                                                                                           \
        const QByteArray why = engineMissing();                                                    \
        if (!why.isEmpty())                                                                        \
            QSKIP(why.constData());                                                                \
    } while (false)

// A database of its own for one test, empty: on SQLite a file in a temporary
// directory, on PostgreSQL this program's database, emptied again.
class TestDatabase
{
public:
    TestDatabase();
    // For openStore(); on SQLite a path.
    const std::string& address() const { return m_address; }
    bool isValid() const { return !m_address.empty(); }

private:
    QTemporaryDir m_dir;
    std::string m_address;
};

// The URI of database name on the test cluster.
std::string postgresqlDatabase(const QByteArray& name);
// This program's database on the test cluster, made when missing, emptied.
// Throws DbError.
std::string emptiedProgramDatabase();

#endif // TESTENGINE_H
