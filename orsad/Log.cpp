#include "Log.h"

#include <cstdio>
#include <mutex>

namespace orsad {

void logLine(const std::string& line)
{
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::fprintf(stderr, "orsad: %s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace orsad
