// Failed logins per peer address, next to the service's own count per
// account: beyond a few failures in a short time, each further login from that
// address waits before the service sees it, the wait doubling up to a cap.
// The name tried plays no part, so that trying many accounts is slowed too.
#ifndef ORSAD_PEERTHROTTLE_H
#define ORSAD_PEERTHROTTLE_H

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace orsad {

class PeerThrottle
{
public:
    using Clock = std::chrono::steady_clock;
    explicit PeerThrottle(int freeFailures) : m_freeFailures(freeFailures) {}

    // How long the next login from address waits; zero when it need not.
    Clock::duration delayFor(const std::string& address);
    void failed(const std::string& address);
    void succeeded(const std::string& address);

private:
    struct Record {
        int failures = 0;
        Clock::time_point last;
    };
    // Failures further apart than this start the count afresh.
    static constexpr std::chrono::seconds kWindow{60};
    static constexpr std::chrono::seconds kMaxDelay{30};

    const int m_freeFailures;
    std::mutex m_mutex;
    std::map<std::string, Record> m_records;
};

} // namespace orsad

#endif // ORSAD_PEERTHROTTLE_H
