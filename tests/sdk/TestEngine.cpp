#include "TestEngine.h"

#include "Store.h"

bool onPostgresql()
{
    return qgetenv("ORSA_TEST_ENGINE") == "postgresql";
}

QByteArray engineMissing()
{
    if (onPostgresql() && qEnvironmentVariableIsEmpty("ORSA_TEST_POSTGRESQL"))
        return "no PostgreSQL cluster: ORSA_TEST_POSTGRESQL is not set (bash scripts/test.sh "
               "starts one)";
    return {};
}

std::string postgresqlDatabase(const QByteArray& name)
{
    return (qgetenv("ORSA_TEST_POSTGRESQL") + '/' + name).toStdString();
}

// Made once per program, emptied for every test: cheaper than a new database.
std::string emptiedProgramDatabase()
{
    const QByteArray name = QCoreApplication::applicationName().toLatin1();
    {
        auto cluster = orsa::openStore(postgresqlDatabase("postgres"));
        orsa::Statement known(*cluster, "SELECT 1 FROM pg_database WHERE datname = ?1");
        known.bind(1, name.toStdString());
        if (!known.step())
            cluster->exec("CREATE DATABASE \"" + name.toStdString() + "\"");
    }
    const std::string uri = postgresqlDatabase(name);
    orsa::openStore(uri)->exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public");
    return uri;
}

TestDatabase::TestDatabase()
{
    if (!onPostgresql()) {
        if (m_dir.isValid())
            m_address = QFile::encodeName(m_dir.filePath("site.db")).toStdString();
        return;
    }
    try {
        m_address = emptiedProgramDatabase();
    } catch (const std::exception& e) {
        qWarning("no test database: %s", e.what());
    }
}
