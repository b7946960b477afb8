// Sessions that outlive their connection for a grace period, found again by
// a random token the client got at login.
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
    explicit SessionRegistry(Clock::duration grace) : m_grace(grace) {}

    // A new token for a logged-in session, held by one connection.
    std::string issue(std::shared_ptr<orsa::Session> session);
    // The session of a token whose grace has not run out and that is still
    // logged in, now held by one more connection; null otherwise.
    std::shared_ptr<orsa::Session> resume(const std::string& token);
    // A connection holding the token closed; the grace starts when none holds it.
    void release(const std::string& token);
    // Logout or a new login: the token is no longer valid.
    void end(const std::string& token);

private:
    struct Entry {
        std::shared_ptr<orsa::Session> session;
        int holders = 0;
        Clock::time_point releasedAt;
    };
    void dropExpired(Clock::time_point now);

    const Clock::duration m_grace;
    std::mutex m_mutex;
    std::map<std::string, Entry> m_entries;
};

} // namespace orsad

#endif // ORSAD_SESSIONREGISTRY_H
