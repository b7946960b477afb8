// The management service: answers request frames from one session, storing
// everything in a store (SQLite or PostgreSQL). Used in-process by the SDK's
// embedded transport and, unchanged, behind a network listener.
#ifndef ORSA_SERVICE_H
#define ORSA_SERVICE_H

#include "Frame.h"
#include "ServiceOptions.h"
#include "Store.h"
#include "Wire.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orsa {

struct OpInfo;
struct Reply;

// What the service remembers about one client between its requests.
struct Session {
    bool loggedIn = false;
    std::string userName;
    // The salt of the password it logged in with. A new password comes with a
    // new salt, which ends the account's other sessions.
    std::string passwordSalt;
    // Random, per login: tells the session's own changes from others'.
    std::string id;
    // The change log's newest revision when it logged in.
    std::int64_t loggedInAt = 0;
};

// Milliseconds since the epoch. Failed logins are timed by it alone, so that
// a test can move time on without waiting.
using Clock = std::function<std::int64_t()>;
std::int64_t wallClock();

// What a service runs with besides its database.
struct ServiceSettings {
    // PBKDF2 iterations of every password hash the service makes (the first
    // account of a new database, added accounts, new passwords). A stored
    // hash records its own count and is checked with it.
    int hashIterations;
    Clock clock;
    // How many of the newest changes the change log keeps.
    std::int64_t changeLogSize;
};

// What a session has not yet had of the change log.
struct FeedBatch {
    // The log no longer reaches back to where the session was.
    bool resyncNeeded = false;
    std::vector<PushedChange> changes;
};

class Service
{
public:
    // ":memory:" for a private in-memory database, or a file path (created
    // 0600 when missing). A new database holds the account "admin" of the role
    // "Administrator" (guid 88341189), with the password of the options
    // ("admin" by default); an older one is brought up to date. Throws DbError
    // when the database cannot be opened or prepared.
    Service(const std::string& databasePath, int hashIterations, Clock clock = wallClock,
            const ServiceOptions& options = {});
    // The same on any store; several services may share one PostgreSQL
    // database, each on a store of its own.
    Service(std::unique_ptr<Store> store, int hashIterations, Clock clock = wallClock,
            const ServiceOptions& options = {});
    // Whether this service created its database and first account.
    bool createdDatabase() const { return m_created; }

    // The answer frame to a request frame, or an empty string when the frame
    // is too damaged to answer. Every change is committed before this returns.
    std::string handleFrame(Session& session, const std::string& frame);
    Answer handle(Session& session, const Request& request);

    // The changes after `position` that the session may see, as it may see
    // them; moves position past what it read. Position 0 stands for the
    // session's login. Nothing for a session no longer logged in; what was
    // read so far when the log cannot be read now.
    FeedBatch feed(Session& session, std::int64_t& position);
    // The newest revision this service logged; 0 before any.
    std::int64_t newestLogged() const { return m_newestLogged; }

private:
    Reply run(Session& session, const OpInfo& info, const Request& request);
    Reply runAgainOnConflict(Session& session, const OpInfo& info, const Request& request);

    std::unique_ptr<Store> m_store;
    ServiceSettings m_settings;
    bool m_created = false;
    std::atomic<std::int64_t> m_newestLogged{0};
};

} // namespace orsa

#endif // ORSA_SERVICE_H
