#include "SessionRegistry.h"

#include "Secrets.h"

namespace orsad {
namespace {

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 0xF]);
    }
    return out;
}

} // namespace

std::string SessionRegistry::issue(std::shared_ptr<orsa::Session> session)
{
    std::string token = hex(orsa::randomBytes(32));
    std::lock_guard<std::mutex> lock(m_mutex);
    dropExpired(Clock::now());
    m_entries[token] = Entry{std::move(session), 1, {}};
    return token;
}

std::shared_ptr<orsa::Session> SessionRegistry::resume(const std::string& token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    dropExpired(Clock::now());
    const auto it = m_entries.find(token);
    // The service may have ended the session meanwhile (account deleted).
    if (it == m_entries.end() || !it->second.session->loggedIn)
        return nullptr;
    ++it->second.holders;
    return it->second.session;
}

void SessionRegistry::release(const std::string& token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_entries.find(token);
    if (it != m_entries.end() && --it->second.holders == 0)
        it->second.releasedAt = Clock::now();
}

void SessionRegistry::end(const std::string& token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.erase(token);
}

void SessionRegistry::dropExpired(Clock::time_point now)
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        const bool expired = it->second.holders == 0 && now - it->second.releasedAt >= m_grace;
        it = expired ? m_entries.erase(it) : std::next(it);
    }
}

} // namespace orsad
