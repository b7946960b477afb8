// Sessions that outlive their connection for a grace period, found again by
// a random token the client got at login. With a file, they outlive orsad
// too: the file holds a hash of each token, never the token itself.
#ifndef ORSAD_SESSIONREGISTRY_H
#define ORSAD_SESSIONREGISTRY_H

#include "Service.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orsad {

class SessionRegistry
{
public:
    using Clock = std::chrono::steady_clock;
    // An empty path keeps the sessions in memory only.
    SessionRegistry(Clock::duration grace, std::string path);

    // A new token for a session just logged in as userName, held by one connection.
    std::string issue(std::shared_ptr<orsa::Session> session, const std::string& userName);
    // The session of a token whose grace has not run out and that is still
    // logged in, now held by one more connection; null otherwise.
    std::shared_ptr<orsa::Session> resume(const std::string& token);
    // A connection holding the token closed; the grace starts when none holds it.
    void release(const std::string& token);
    // Logout or a new login: the token is no longer valid.
    void end(const std::string& token);
    // Marks the file as current while sessions are held: after a crash, their
    // grace is counted from the last mark.
    void mark();

private:
    struct Entry {
        std::shared_ptr<orsa::Session> session;
        std::string userName; // copies: the service may change the session meanwhile
        std::string passwordSalt;
        int holders = 0;
        Clock::time_point releasedAt;
    };
    void dropExpired(Clock::time_point now);
    void load();
    void save();

    const Clock::duration m_grace;
    const std::string m_path;
    std::mutex m_mutex;
    std::map<std::string, Entry> m_entries; // by the token's hash
};

} // namespace orsad

#endif // ORSAD_SESSIONREGISTRY_H
