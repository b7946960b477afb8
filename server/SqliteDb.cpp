#include "SqliteDb.h"

#include <sqlite3.h>

namespace orsa {
namespace {

[[noreturn]] void fail(sqlite3* db, const char* what)
{
    throw DbError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

Database::Database(const std::string& path)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw DbError("open " + path + ": " + message);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
}

Database::~Database()
{
    sqlite3_close(m_db);
}

void Database::exec(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, sql);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

Statement::Statement(Database& db, const char* sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK)
        fail(db.handle(), sql);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement& Statement::bind(int index, const std::string& text)
{
    // Bytes are kept as given: no encoding is assumed or checked.
    if (sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        fail(m_db.handle(), "bind");
    return *this;
}

Statement& Statement::bind(int index, int number)
{
    if (sqlite3_bind_int(m_stmt, index, number) != SQLITE_OK)
        fail(m_db.handle(), "bind");
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(m_db.handle(), "step");
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::string Statement::text(int column) const
{
    const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
             : std::string();
}

int Statement::integer(int column) const
{
    return sqlite3_column_int(m_stmt, column);
}

Transaction::Transaction(Database& db) : m_db(db)
{
    m_db.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (!m_done)
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_db.exec("COMMIT");
    m_done = true;
}

} // namespace orsa
