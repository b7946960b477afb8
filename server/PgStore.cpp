#include "PgStore.h"

#include "DialectText.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orsa {
namespace {

constexpr Oid kByteaOid = 17;
// Any number that no other user of the database takes for its advisory locks.
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(7372836101)";
// Bytes as given both ways: no conversion between client and server.
constexpr const char* kSession = "SET client_encoding = 'SQL_ASCII'";

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

DbError::Problem problemOf(const char* sqlState)
{
    const std::string state = sqlState ? sqlState : "";
    if (state == "40001" || state == "40P01")
        return DbError::Problem::Conflict;
    if (state == "23505")
        return DbError::Problem::Duplicate;
    if (state == "23503")
        return DbError::Problem::Reference;
    if (state == "25006")
        return DbError::Problem::ReadOnly;
    return DbError::Problem::Other;
}

// The highest $N of a statement: libpq wants every parameter given.
int parameterCount(const std::string& sql)
{
    int most = 0;
    for (std::size_t i = 0; i + 1 < sql.size(); ++i) {
        if (sql[i] != '$' || !std::isdigit(static_cast<unsigned char>(sql[i + 1])))
            continue;
        most = std::max(most, std::atoi(sql.c_str() + i + 1));
    }
    return most;
}

// A password belongs in PGPASSWORD or ~/.pgpass, where no process list shows it.
void refusePassword(const std::string& uri)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    if (!options) {
        const std::string message = error ? error : "out of memory";
        PQfreemem(error);
        throw DbError("connection string: " + message);
    }
    bool hasPassword = false;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (std::strcmp(o->keyword, "password") == 0 && o->val && *o->val)
            hasPassword = true;
    }
    PQconninfoFree(options);
    if (hasPassword)
        throw DbError("a connection string carries no password: give it in PGPASSWORD or "
                      "~/.pgpass");
}

class PgCursor final : public Cursor
{
public:
    PgCursor(PgStore& store, const std::string& sql)
        : m_store(store), m_statement(store.prepared(dollarParameters(sql))),
          m_values(static_cast<std::size_t>(m_statement.parameters)),
          m_bound(m_values.size(), false), m_binary(m_values.size(), 0)
    {}

    void bindText(int index, const std::string& text) override { set(index, text, 0); }
    void bindInteger(int index, std::int64_t number) override
    {
        set(index, std::to_string(number), 0);
    }
    void bindBlob(int index, const std::string& bytes) override { set(index, bytes, 1); }

    bool step() override
    {
        if (!m_result)
            execute();
        if (m_row + 1 >= PQntuples(m_result.get()))
            return false;
        ++m_row;
        return true;
    }
    void reset() override
    {
        m_result.reset();
        m_row = -1;
        std::fill(m_bound.begin(), m_bound.end(), false);
    }
    std::string text(int column) const override
    {
        PGresult* r = m_result.get();
        if (PQgetisnull(r, m_row, column))
            return {};
        const char* value = PQgetvalue(r, m_row, column);
        if (PQftype(r, column) != kByteaOid)
            return std::string(value, static_cast<std::size_t>(PQgetlength(r, m_row, column)));
        std::size_t length = 0;
        unsigned char* bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char*>(value), &length);
        if (!bytes)
            throw DbError("out of memory");
        std::string out(reinterpret_cast<const char*>(bytes), length);
        PQfreemem(bytes);
        return out;
    }
    std::int64_t integer(int column) const override
    {
        return std::strtoll(PQgetvalue(m_result.get(), m_row, column), nullptr, 10);
    }

private:
    void set(int index, std::string value, int format)
    {
        const auto i = static_cast<std::size_t>(index - 1);
        if (index < 1 || i >= m_values.size())
            throw DbError("bind: no parameter " + std::to_string(index));
        m_values[i] = std::move(value);
        m_bound[i] = true;
        m_binary[i] = format;
    }
    void execute()
    {
        std::vector<const char*> values(m_values.size());
        std::vector<int> lengths(m_values.size());
        for (std::size_t i = 0; i < m_values.size(); ++i) {
            values[i] = m_bound[i] ? m_values[i].c_str() : nullptr;
            lengths[i] = static_cast<int>(m_values[i].size());
        }
        m_result.reset(m_store.checked(PQexecPrepared(m_store.handle(), m_statement.name.c_str(),
                                                      m_statement.parameters, values.data(),
                                                      lengths.data(), m_binary.data(), 0),
                                       "step"));
        const char* changed = PQcmdTuples(m_result.get());
        m_store.noteChanges(*changed ? std::atoi(changed) : 0);
    }

    PgStore& m_store;
    const PgStore::Prepared m_statement;
    std::vector<std::string> m_values;
    std::vector<bool> m_bound;
    std::vector<int> m_binary;
    Result m_result;
    int m_row = -1;
};

} // namespace

PgStore::PgStore(const std::string& uri)
{
    refusePassword(uri);
    m_conn = PQconnectdb(uri.c_str());
    if (!m_conn)
        throw DbError("connect: out of memory");
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const std::string message = PQerrorMessage(m_conn);
        PQfinish(m_conn);
        throw DbError("connect: " + message);
    }
    // Notices ("already exists, skipping") are no event for an administrator.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    const char* encoding = PQparameterStatus(m_conn, "server_encoding");
    if (!encoding || std::strcmp(encoding, "SQL_ASCII") != 0) {
        PQfinish(m_conn);
        throw DbError("the database must be created with ENCODING 'SQL_ASCII': the service "
                      "keeps texts byte for byte as clients send them");
    }
    try {
        exec(kSession);
    } catch (...) {
        // No destructor runs for an object whose constructor threw.
        PQfinish(m_conn);
        throw;
    }
}

// A server restarted or a connection ended by its administrator: the next
// request outside a transaction connects again. Within one, the transaction
// is lost with the connection and the request fails.
void PgStore::keepConnected()
{
    if (PQstatus(m_conn) == CONNECTION_OK || m_inTransaction)
        return;
    PQreset(m_conn);
    m_prepared.clear();
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw DbError(std::string("connect: ") + PQerrorMessage(m_conn));
    Result(checked(PQexec(m_conn, kSession), "exec"));
}

namespace {

// Takes every notification already read; true when there was one.
bool takeNotifications(PGconn* conn)
{
    bool any = false;
    while (PGnotify* n = PQnotifies(conn)) {
        any = true;
        PQfreemem(n);
    }
    return any;
}

} // namespace

bool PgStore::awaitNotification(const std::string& channel, std::chrono::milliseconds most)
{
    bool missed = false;
    if (!m_listening || PQstatus(m_conn) != CONNECTION_OK) {
        m_listening = false;
        exec("LISTEN " + channel);
        m_listening = true;
        missed = true;
    }
    if (takeNotifications(m_conn))
        return true;
    pollfd socket{PQsocket(m_conn), POLLIN, 0};
    if (::poll(&socket, 1, static_cast<int>(most.count())) > 0 && !PQconsumeInput(m_conn))
        m_listening = false;
    return takeNotifications(m_conn) || missed;
}

PgStore::~PgStore()
{
    PQfinish(m_conn);
}

PGresult* PgStore::checked(PGresult* result, const char* what)
{
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return result;
    const std::string message = result ? PQresultErrorMessage(result) : PQerrorMessage(m_conn);
    const DbError::Problem problem =
        problemOf(result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr);
    PQclear(result);
    throw DbError(std::string(what) + ": " + message, problem);
}

void PgStore::exec(const std::string& sql)
{
    keepConnected();
    Result r(checked(PQexec(m_conn, sql.c_str()), "exec"));
    const char* changed = PQcmdTuples(r.get());
    m_changes = *changed ? std::atoi(changed) : 0;
}

const PgStore::Prepared& PgStore::prepared(const std::string& sql)
{
    keepConnected();
    const auto known = m_prepared.find(sql);
    if (known != m_prepared.end())
        return known->second;
    Prepared p{"s" + std::to_string(m_prepared.size()), parameterCount(sql)};
    Result(checked(PQprepare(m_conn, p.name.c_str(), sql.c_str(), 0, nullptr), "prepare"));
    return m_prepared.emplace(sql, std::move(p)).first->second;
}

std::unique_ptr<Cursor> PgStore::prepare(const std::string& sql)
{
    return std::make_unique<PgCursor>(*this, sql);
}

void PgStore::begin()
{
    exec("BEGIN ISOLATION LEVEL SERIALIZABLE");
    m_inTransaction = true;
}

// Never on a connection made again: COMMIT outside a transaction succeeds.
void PgStore::commit()
{
    exec("COMMIT");
    m_inTransaction = false;
}

void PgStore::rollback() noexcept
{
    m_inTransaction = false;
    PQclear(PQexec(m_conn, "ROLLBACK"));
}

// Read committed: once the lock is ours, what the previous holder made is seen.
void PgStore::beginSchemaChange()
{
    exec("BEGIN ISOLATION LEVEL READ COMMITTED");
    m_inTransaction = true;
    exec(kSchemaLock);
}

bool PgStore::hasTable(const std::string& name)
{
    Statement s(*this, "SELECT 1 FROM information_schema.tables "
                       "WHERE table_schema = current_schema() AND table_name = ?1");
    s.bind(1, name);
    return s.step();
}

bool PgStore::isEmpty()
{
    return !Statement(*this, "SELECT 1 FROM information_schema.tables "
                             "WHERE table_schema = current_schema()")
                .step();
}

std::string PgStore::dialect(const std::string& schema) const
{
    return replaceWords(schema, {{"{blob}", "BYTEA"}, {"{order}", ", rowid BIGSERIAL"}});
}

} // namespace orsa
