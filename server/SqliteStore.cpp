#include "SqliteStore.h"

#include "DialectText.h"

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
    case SQLITE_CONSTRAINT:
        if (sqlite3_extended_errcode(db) == SQLITE_CONSTRAINT_FOREIGNKEY)
            throw DbError(sqlite3_errmsg(db), DbError::Problem::Reference);
        if (sqlite3_extended_errcode(db) == SQLITE_CONSTRAINT_PRIMARYKEY ||
            sqlite3_extended_errcode(db) == SQLITE_CONSTRAINT_UNIQUE)
            throw DbError(sqlite3_errmsg(db), DbError::Problem::Duplicate);
        throw DbError(std::string(what) + ": " + sqlite3_errmsg(db));
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

// The SQL texts of the handlers are a fixed set; past this many the rest are
// not kept.
constexpr std::size_t kMostCachedTexts = 256;

// WAL and checkpoints: a checkpoint after every 1000 pages (4 MiB) written,
// and a WAL file cut back to 8 MiB once a checkpoint restarts it, so that a
// large transaction (a migration, a site copy) does not leave a file that
// size behind.
constexpr int kCheckpointPages = 1000;
constexpr int kWalLimitBytes = 8 << 20;
// The page cache, in KiB: a full site of 10,000 devices is about 23 MiB and
// stays in memory whole; pages are only taken as they are read.
constexpr int kCacheKiB = 64 << 10;

// Borrows a statement of the store's cache and gives it back reset, with no
// value bound: a statement left running would hold its read snapshot.
class SqliteCursor final : public Cursor
{
public:
    SqliteCursor(sqlite3* db, sqlite3_stmt* stmt, std::vector<sqlite3_stmt*>* pool)
        : m_db(db), m_stmt(stmt), m_pool(pool)
    {}
    ~SqliteCursor() override
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        try {
            if (m_pool) {
                m_pool->push_back(m_stmt);
                return;
            }
        } catch (...) {
        }
        sqlite3_finalize(m_stmt);
    }
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    void bindText(int index, const std::string& text) override
    {
        // Bytes are kept as given: no encoding is assumed or checked.
        check(sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
    }
    void bindInteger(int index, std::int64_t number) override
    {
        check(sqlite3_bind_int64(m_stmt, index, number));
    }
    void bindBlob(int index, const std::string& bytes) override
    {
        check(sqlite3_bind_blob(m_stmt, index, bytes.data(), static_cast<int>(bytes.size()),
                                SQLITE_TRANSIENT));
    }
    bool step() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        fail(m_db, "step");
    }
    void reset() override
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    std::string text(int column) const override
    {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
                 : std::string();
    }
    std::int64_t integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }

private:
    void check(int rc) const
    {
        if (rc != SQLITE_OK)
            fail(m_db, "bind");
    }

    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
    std::vector<sqlite3_stmt*>* m_pool;
};

} // namespace

SqliteStore::SqliteStore(const std::string& path)
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
    try {
        // Per connection: SQLite leaves them off unless asked.
        exec("PRAGMA foreign_keys=ON");
        // WAL with FULL sync: a commit is on disk before its answer leaves,
        // and a crash rolls an unfinished transaction back.
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        exec("PRAGMA wal_autocheckpoint=" + std::to_string(kCheckpointPages));
        exec("PRAGMA journal_size_limit=" + std::to_string(kWalLimitBytes));
        exec("PRAGMA cache_size=-" + std::to_string(kCacheKiB));
    } catch (...) {
        // No destructor runs for an object whose constructor threw.
        sqlite3_close(m_db);
        throw;
    }
}

SqliteStore::~SqliteStore()
{
    for (auto& [sql, pool] : m_idle) {
        for (sqlite3_stmt* stmt : pool)
            sqlite3_finalize(stmt);
    }
    sqlite3_close(m_db);
}

void SqliteStore::exec(const std::string& sql)
{
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, sql.c_str());
}

std::unique_ptr<Cursor> SqliteStore::prepare(const std::string& sql)
{
    auto known = m_idle.find(sql);
    if (known == m_idle.end() && m_idle.size() < kMostCachedTexts)
        known = m_idle.emplace(sql, std::vector<sqlite3_stmt*>()).first;
    std::vector<sqlite3_stmt*>* pool = known == m_idle.end() ? nullptr : &known->second;
    sqlite3_stmt* stmt = nullptr;
    if (pool && !pool->empty()) {
        stmt = pool->back();
        pool->pop_back();
    } else if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        fail(m_db, sql.c_str());
    }
    try {
        return std::make_unique<SqliteCursor>(m_db, stmt, pool);
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
}

int SqliteStore::changes() const
{
    return sqlite3_changes(m_db);
}

void SqliteStore::begin()
{
    exec("BEGIN IMMEDIATE");
}

void SqliteStore::commit()
{
    for (sqlite3_stmt* s = sqlite3_next_stmt(m_db, nullptr); s; s = sqlite3_next_stmt(m_db, s)) {
        if (sqlite3_stmt_busy(s))
            throw DbError("commit: a statement is still running");
    }
    exec("COMMIT");
}

void SqliteStore::rollback() noexcept
{
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteStore::hasTable(const std::string& name)
{
    Statement s(*this, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    s.bind(1, name);
    return s.step();
}

bool SqliteStore::isEmpty()
{
    return !Statement(*this, "SELECT 1 FROM sqlite_master").step();
}

// Every table has a rowid already, in insertion order.
std::string SqliteStore::dialect(const std::string& schema) const
{
    return replaceWords(schema, {{"{blob}", "BLOB"}, {"{order}", ""}});
}

} // namespace orsa
