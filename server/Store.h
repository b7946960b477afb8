// What the service needs of a database: transactions, prepared statements
// with bound values, rows. SQLite and PostgreSQL implement it; the handlers'
// SQL is one text for both, written with ?N parameters.
#ifndef ORSA_STORE_H
#define ORSA_STORE_H

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace orsa {

class DbError : public std::runtime_error
{
public:
    enum class Problem {
        Other,
        // What a user can do something about; the message says it in words.
        ReadOnly,
        Locked,
        NotOurs,
        Newer,
        // A concurrent transaction got in the way: running the request again
        // may succeed.
        Conflict,
        // A key that exists already.
        Duplicate,
        // A reference to a row that is missing, or from a row that stays.
        Reference,
    };
    explicit DbError(const std::string& message, Problem problem = Problem::Other)
        : std::runtime_error(message), m_problem(problem)
    {}
    // The problem, in the words a user reads.
    static DbError of(Problem problem);
    Problem problem() const { return m_problem; }

private:
    Problem m_problem;
};

// Bytes bound as a BLOB (bytea). A text dump writes a TEXT value only up to
// its first 0 byte, a BLOB whole.
struct Blob {
    const std::string& bytes;
};

// One prepared statement of a store. Parameters count from 1, columns from 0.
class Cursor
{
public:
    virtual ~Cursor() = default;
    virtual void bindText(int index, const std::string& text) = 0;
    virtual void bindInteger(int index, std::int64_t number) = 0;
    virtual void bindBlob(int index, const std::string& bytes) = 0;
    // Runs the statement on the first call; true while a row is available.
    virtual bool step() = 0;
    // Ready to run again with new bindings.
    virtual void reset() = 0;
    // A TEXT or BLOB column's bytes, whole; empty for NULL.
    virtual std::string text(int column) const = 0;
    virtual std::int64_t integer(int column) const = 0;
};

// Told of each data transaction of a store, inside it: to read what the
// transaction is about to change, and to write alongside before it commits.
class TransactionObserver
{
public:
    virtual void begun() = 0;
    virtual void committing() = 0;

protected:
    ~TransactionObserver() = default;
};

class Store
{
public:
    enum class Engine { Sqlite, Postgresql };
    virtual ~Store() = default;
    virtual Engine engine() const = 0;

    // Statements without values, separated by semicolons.
    virtual void exec(const std::string& sql) = 0;
    virtual std::unique_ptr<Cursor> prepare(const std::string& sql) = 0;
    // Rows changed by the last statement that ran to its end.
    virtual int changes() const = 0;

    // A transaction that sees and changes the database as if it ran alone;
    // failing that at some point, it throws DbError::Problem::Conflict.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    // A transaction that alone among the database's stores changes the
    // schema, and sees what others committed before it began.
    virtual void beginSchemaChange() = 0;

    virtual bool hasTable(const std::string& name) = 0;
    virtual bool isEmpty() = 0;
    // Schema text in this engine's words: {blob} is a byte string type,
    // {order} ends a column list with what keeps the rows' insertion order
    // readable as the column rowid.
    virtual std::string dialect(const std::string& schema) const = 0;

    // Null for none; the observer outlives its transactions.
    void observe(TransactionObserver* observer) { m_observer = observer; }
    TransactionObserver* observer() const { return m_observer; }

private:
    TransactionObserver* m_observer = nullptr;
};

// A statement of a store; bound values are kept by the store.
class Statement
{
public:
    Statement(Store& store, const std::string& sql) : m_cursor(store.prepare(sql)) {}
    Statement& bind(int index, const std::string& text)
    {
        m_cursor->bindText(index, text);
        return *this;
    }
    Statement& bind(int index, const char* text) { return bind(index, std::string(text)); }
    Statement& bind(int index, int number)
    {
        m_cursor->bindInteger(index, number);
        return *this;
    }
    Statement& bind(int index, std::int64_t number)
    {
        m_cursor->bindInteger(index, number);
        return *this;
    }
    Statement& bind(int index, const Blob& blob)
    {
        m_cursor->bindBlob(index, blob.bytes);
        return *this;
    }
    bool step() { return m_cursor->step(); }
    void run()
    {
        while (step()) {
        }
    }
    void reset() { m_cursor->reset(); }
    std::string text(int column) const { return m_cursor->text(column); }
    int integer(int column) const { return static_cast<int>(m_cursor->integer(column)); }
    std::int64_t integer64(int column) const { return m_cursor->integer(column); }

private:
    std::unique_ptr<Cursor> m_cursor;
};

// Begun on construction; rolled back unless commit() ran.
class Transaction
{
public:
    enum Kind { Data, Schema };
    explicit Transaction(Store& store, Kind kind = Data) : m_store(store)
    {
        if (kind == Schema) {
            m_store.beginSchemaChange();
            return;
        }
        m_store.begin();
        m_observer = m_store.observer();
        if (!m_observer)
            return;
        try {
            m_observer->begun();
        } catch (...) {
            // No destructor runs for a constructor that throws.
            m_store.rollback();
            throw;
        }
    }
    ~Transaction()
    {
        if (!m_done)
            m_store.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit()
    {
        if (m_observer)
            m_observer->committing();
        m_store.commit();
        m_done = true;
    }

private:
    Store& m_store;
    TransactionObserver* m_observer = nullptr;
    bool m_done = false;
};

// A SQLite file path or ":memory:", or a PostgreSQL connection URI
// (postgresql://user@host:port/dbname; "postgresql://" alone takes every
// value from the PG* variables). A URI carrying a password is refused: it
// comes from PGPASSWORD or ~/.pgpass. Throws DbError.
std::unique_ptr<Store> openStore(const std::string& address);
bool isPostgresqlUri(const std::string& address);

} // namespace orsa

#endif // ORSA_STORE_H
