// A thin RAII layer over sqlite3: errors become DbError, statements and
// transactions clean up after themselves.
#ifndef ORSA_SQLITEDB_H
#define ORSA_SQLITEDB_H

#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace orsa {

class DbError : public std::runtime_error
{
public:
    // What a user can do something about; the message says it in words.
    enum class Problem { Other, ReadOnly, Locked, NotOurs, Newer };
    explicit DbError(const std::string& message, Problem problem = Problem::Other)
        : std::runtime_error(message), m_problem(problem)
    {}
    // The problem, in the words a user reads.
    static DbError of(Problem problem);
    Problem problem() const { return m_problem; }

private:
    Problem m_problem;
};

// Bytes bound as a BLOB. A text dump writes a TEXT value only up to its first
// 0 byte, a BLOB whole.
struct Blob {
    const std::string& bytes;
};

class Database
{
public:
    // ":memory:" for a private in-memory database; a file is created when
    // missing, readable and writable by its owner only (SQLite gives the same
    // mode to the -wal and -shm files). A database that cannot be written is
    // refused.
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void exec(const char* sql);
    int changes() const;
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

class Statement
{
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::string& text);
    Statement& bind(int index, int number);
    Statement& bind(int index, std::int64_t number);
    Statement& bind(int index, const Blob& blob);
    // True while a row is available.
    bool step();
    void run();
    // Ready to run again with new bindings.
    void reset();
    // A TEXT or BLOB column's bytes, whole.
    std::string text(int column) const;
    int integer(int column) const;
    std::int64_t integer64(int column) const;

private:
    Database& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// BEGIN IMMEDIATE on construction; rolled back unless commit() ran.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

} // namespace orsa

#endif // ORSA_SQLITEDB_H
