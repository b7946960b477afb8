// The management service: answers request frames from one session, storing
// everything in SQLite. Used in-process by the SDK's embedded transport and,
// unchanged, behind a network listener.
#ifndef ORSA_SERVICE_H
#define ORSA_SERVICE_H

#include "Frame.h"
#include "ServiceOptions.h"
#include "SqliteDb.h"

#include <string>

namespace orsa {

// What the service remembers about one client between its requests.
struct Session {
    bool loggedIn = false;
    std::string userName;
};

class Service
{
public:
    // ":memory:" for a private in-memory database, or a file path (created
    // when missing). A new database holds the account "admin" of the role
    // "Administrator" (guid 88341189), with the password of the options
    // ("admin" by default). Throws DbError when the database cannot be opened
    // or prepared.
    explicit Service(const std::string& databasePath, const ServiceOptions& options = {});
    // Whether this service created its database and first account.
    bool createdDatabase() const { return m_created; }

    // The answer frame to a request frame, or an empty string when the frame
    // is too damaged to answer. Every change is committed before this returns.
    std::string handleFrame(Session& session, const std::string& frame);
    Answer handle(Session& session, const Request& request);

private:
    Database m_db;
    bool m_created = false;
};

} // namespace orsa

#endif // ORSA_SERVICE_H
