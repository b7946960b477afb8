#include "KnownServers.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace orsa {
namespace {

std::string configDirectory()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.config" : std::string();
}

bool makeDirectory(const std::string& path)
{
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

std::string knownServersPath()
{
    const std::string config = configDirectory();
    return config.empty() ? std::string() : config + "/orsa/known_servers";
}

PinCheck checkPin(const std::string& server, const std::string& fingerprint)
{
    // Two hubs of one process meeting a new server must not both append.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    const std::string path = knownServersPath();
    if (path.empty())
        return PinCheck::Failed;
    {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string name;
            std::string pinned;
            if (fields >> name >> pinned && name == server)
                return pinned == fingerprint ? PinCheck::Matches : PinCheck::Changed;
        }
    }
    const std::string config = configDirectory();
    if (!makeDirectory(config) || !makeDirectory(config + "/orsa"))
        return PinCheck::Failed;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return PinCheck::Failed;
    ::fchmod(fd, 0600);
    const std::string line = server + " " + fingerprint + "\n";
    const bool written = ::write(fd, line.data(), line.size()) == ssize_t(line.size());
    ::close(fd);
    return written ? PinCheck::Pinned : PinCheck::Failed;
}

} // namespace orsa
