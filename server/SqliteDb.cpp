#include "SqliteDb.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

namespace orsa {
namespace {

[[noreturn]] void fail(sqlite3* db, const char* what)
{
    if (!db)
        throw DbError(std::string(what) + ": out of memory");
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_READONLY:
        throw DbError::of(DbError::Problem::ReadOnly);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw DbError::of(DbError::Problem::Locked);
    case SQLITE_NOTADB:
        throw DbError::of(DbError::Problem::NotOurs);
    default:
        throw DbError(std::string(what) + ": " + sqlite3_errmsg(db));
    }
}

// SQLite would make a new file 0644 and the -wal and -shm files like it.
void createPrivately(const std::string& path)
{
    if (path == ":memory:")
        return;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    // Any other failure than EEXIST is SQLite's to report, in its words.
}

} // namespace

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
    case Problem::Other:
        break;
    }
    return DbError("the database cannot be used");
}

Database::Database(const std::string& path)
{
    createPrivately(path);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw DbError("open " + path + ": " + message);
    }
    // SQLite falls back to reading only when it may not write the file.
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        sqlite3_close(m_db);
        throw DbError::of(DbError::Problem::ReadOnly);
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

Statement& Statement::bind(int index, std::int64_t number)
{
    if (sqlite3_bind_int64(m_stmt, index, number) != SQLITE_OK)
        fail(m_db.handle(), "bind");
    return *this;
}

Statement& Statement::bind(int index, const Blob& blob)
{
    if (sqlite3_bind_blob(m_stmt, index, blob.bytes.data(), static_cast<int>(blob.bytes.size()),
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

std::int64_t Statement::integer64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
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
