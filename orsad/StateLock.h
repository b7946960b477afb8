// Keeps a second orsad off the sessions file of a running one: two servers
// rewriting one file would drop each other's sessions.
#ifndef ORSAD_STATELOCK_H
#define ORSAD_STATELOCK_H

#include <string>

namespace orsad {

class StateLock
{
public:
    // Holds an exclusive lock on sessionsFile + ".lock" for the object's
    // life, released by the system when the process ends in any way. An
    // empty sessionsFile locks nothing. Throws std::runtime_error when
    // another process holds the lock.
    explicit StateLock(const std::string& sessionsFile);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace orsad

#endif // ORSAD_STATELOCK_H
