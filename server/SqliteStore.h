// The store on a SQLite file: a thin RAII layer over sqlite3 whose errors
// become DbError.
#ifndef ORSA_SQLITESTORE_H
#define ORSA_SQLITESTORE_H

#include "Store.h"

#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orsa {

class SqliteStore final : public Store
{
public:
    // ":memory:" for a private in-memory database; a file is created when
    // missing, readable and writable by its owner only (SQLite gives the same
    // mode to the -wal and -shm files). A database that cannot be written is
    // refused. Foreign keys are enforced. Statements are prepared once per
    // connection and reused; commit() refuses while a statement is still
    // running, since its read snapshot would keep the WAL from being reset.
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    Engine engine() const override { return Engine::Sqlite; }
    void exec(const std::string& sql) override;
    std::unique_ptr<Cursor> prepare(const std::string& sql) override;
    int changes() const override;
    // BEGIN IMMEDIATE: writers queue up behind the file's write lock.
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    void beginSchemaChange() override { begin(); }
    bool hasTable(const std::string& name) override;
    bool isEmpty() override;
    std::string dialect(const std::string& schema) const override;

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    // Statements reset and ready to run again, by their text.
    std::unordered_map<std::string, std::vector<sqlite3_stmt*>> m_idle;
};

} // namespace orsa

#endif // ORSA_SQLITESTORE_H
