#include "StateLock.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orsad {

StateLock::StateLock(const std::string& sessionsFile)
{
    if (sessionsFile.empty())
        return;
    const std::string path = sessionsFile + ".lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_fd);
        if (error == EWOULDBLOCK)
            throw std::runtime_error("another orsad uses the sessions file " + sessionsFile +
                                     "; give each instance a --state-dir of its own");
        throw std::runtime_error("cannot lock " + path + ": " + std::strerror(error));
    }
}

StateLock::~StateLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace orsad
