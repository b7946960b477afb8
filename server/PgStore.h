// The store on a PostgreSQL database through libpq. Statements are prepared
// once per connection; transactions are SERIALIZABLE, so that several
// services on one database keep the rules one service keeps alone.
#ifndef ORSA_PGSTORE_H
#define ORSA_PGSTORE_H

#include "Store.h"

#include <chrono>
#include <unordered_map>

struct pg_conn;
struct pg_result;

namespace orsa {

class PgStore final : public Store
{
public:
    // uri: see openStore. The database must keep bytes as given (encoding
    // SQL_ASCII), as the service stores texts in whatever encoding clients
    // send them.
    explicit PgStore(const std::string& uri);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    Engine engine() const override { return Engine::Postgresql; }
    void exec(const std::string& sql) override;
    std::unique_ptr<Cursor> prepare(const std::string& sql) override;
    int changes() const override { return m_changes; }
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    void beginSchemaChange() override;
    bool hasTable(const std::string& name) override;
    bool isEmpty() override;
    std::string dialect(const std::string& schema) const override;

    // Listens on the channel, then waits at most the time for a notification
    // on it. True when one came, or when it may have been missed because the
    // connection was made again. Throws DbError when it cannot listen.
    bool awaitNotification(const std::string& channel, std::chrono::milliseconds most);

    // For the cursors: a result that is not an error, or DbError.
    pg_result* checked(pg_result* result, const char* what);
    pg_conn* handle() const { return m_conn; }
    void noteChanges(int rows) { m_changes = rows; }

    struct Prepared {
        std::string name;
        int parameters;
    };
    // The statement prepared on this connection, prepared now when new.
    const Prepared& prepared(const std::string& sql);

private:
    void keepConnected();

    pg_conn* m_conn = nullptr;
    int m_changes = 0;
    bool m_inTransaction = false;
    bool m_listening = false;
    std::unordered_map<std::string, Prepared> m_prepared;
};

} // namespace orsa

#endif // ORSA_PGSTORE_H
