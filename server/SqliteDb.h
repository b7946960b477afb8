// A thin RAII layer over sqlite3: errors become DbError, statements and
// transactions clean up after themselves.
#ifndef ORSA_SQLITEDB_H
#define ORSA_SQLITEDB_H

#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace orsa {

class DbError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class Database
{
public:
    // ":memory:" for a private in-memory database; a file is created when missing.
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
    // True while a row is available.
    bool step();
    void run();
    // Ready to run again with new bindings.
    void reset();
    std::string text(int column) const;
    int integer(int column) const;

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
