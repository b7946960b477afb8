#include "SessionRegistry.h"

#include "Secrets.h"

#include <openssl/evp.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace orsad {
namespace {

using Wall = std::chrono::system_clock;

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

std::string unhex(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

std::string tokenHash(const std::string& token)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(token.data(), token.size(), digest, &size, EVP_sha256(), nullptr);
    return hex(std::string(reinterpret_cast<const char*>(digest), size));
}

long long wallMs(Wall::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

} // namespace

SessionRegistry::SessionRegistry(Clock::duration grace, std::string path)
    : m_grace(grace), m_path(std::move(path))
{
    load();
}

std::string SessionRegistry::issue(std::shared_ptr<orsa::Session> session,
                                   const std::string& userName)
{
    std::string token = hex(orsa::randomBytes(32));
    std::lock_guard<std::mutex> lock(m_mutex);
    dropExpired(Clock::now());
    // Read now, between this connection's requests: the salt it logged in with.
    const std::string salt = session->passwordSalt;
    m_entries[tokenHash(token)] = Entry{std::move(session), userName, salt, 1, {}};
    save();
    return token;
}

std::shared_ptr<orsa::Session> SessionRegistry::resume(const std::string& token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    dropExpired(Clock::now());
    const auto it = m_entries.find(tokenHash(token));
    // The service may have ended the session meanwhile (account deleted).
    if (it == m_entries.end() || !it->second.session->loggedIn)
        return nullptr;
    ++it->second.holders;
    save();
    return it->second.session;
}

void SessionRegistry::release(const std::string& token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_entries.find(tokenHash(token));
    if (it != m_entries.end() && --it->second.holders == 0) {
        it->second.releasedAt = Clock::now();
        save();
    }
}

void SessionRegistry::end(const std::string& token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_entries.erase(tokenHash(token)))
        save();
}

void SessionRegistry::mark()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& entry : m_entries) {
        if (entry.second.holders > 0) {
            ::utimensat(AT_FDCWD, m_path.c_str(), nullptr, 0);
            return;
        }
    }
}

void SessionRegistry::dropExpired(Clock::time_point now)
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        const bool expired = it->second.holders == 0 && now - it->second.releasedAt >= m_grace;
        it = expired ? m_entries.erase(it) : std::next(it);
    }
}

// One line per session: token hash, release time in ms since the epoch (0
// while held), user name in hex, the salt of the password it logged in with
// in hex (a new password since ends the session, as it would have live).
void SessionRegistry::load()
{
    struct stat info {
    };
    if (m_path.empty() || ::stat(m_path.c_str(), &info) != 0)
        return;
    const Wall::time_point marked = Wall::from_time_t(info.st_mtime);
    const Wall::time_point wallNow = Wall::now();
    const Clock::time_point now = Clock::now();
    std::ifstream in(m_path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string hash, name, salt;
        long long released = 0;
        if (!(fields >> hash >> released >> name >> salt))
            continue;
        // Held when orsad went: released no later than its last mark.
        const Wall::time_point at =
            released ? Wall::time_point(std::chrono::milliseconds(released)) : marked;
        auto session = std::make_shared<orsa::Session>();
        session->loggedIn = true;
        session->userName = unhex(name);
        session->passwordSalt = unhex(salt);
        // A new identity: changes it made before the restart are not told apart.
        session->id = orsa::newGuid();
        m_entries[hash] = Entry{std::move(session), unhex(name), unhex(salt), 0,
                                now - std::chrono::duration_cast<Clock::duration>(wallNow - at)};
    }
    dropExpired(now);
    save();
}

void SessionRegistry::save()
{
    if (m_path.empty())
        return;
    const Wall::time_point wallNow = Wall::now();
    const Clock::time_point now = Clock::now();
    std::string text;
    for (const auto& entry : m_entries) {
        const Entry& e = entry.second;
        const long long released =
            e.holders
                ? 0
                : wallMs(wallNow - std::chrono::duration_cast<Wall::duration>(now - e.releasedAt));
        text += entry.first + " " + std::to_string(released) + " " + hex(e.userName) + " " +
                hex(e.passwordSalt) + "\n";
    }
    // Written aside and renamed, so that a crash leaves the old file or the new.
    const std::string temporary = m_path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    if (written)
        std::rename(temporary.c_str(), m_path.c_str());
}

} // namespace orsad
