#include "PeerThrottle.h"

#include <algorithm>

namespace orsad {

PeerThrottle::Clock::duration PeerThrottle::delayFor(const std::string& address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_records.find(address);
    if (it == m_records.end() || Clock::now() - it->second.last > kWindow)
        return Clock::duration::zero();
    const int beyond = it->second.failures - m_freeFailures;
    if (beyond < 0)
        return Clock::duration::zero();
    const Clock::duration delay = std::chrono::seconds(1) * (1LL << std::min(beyond, 5));
    return std::min<Clock::duration>(delay, kMaxDelay);
}

void PeerThrottle::failed(const std::string& address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Clock::time_point now = Clock::now();
    for (auto it = m_records.begin(); it != m_records.end();)
        it = now - it->second.last > kWindow ? m_records.erase(it) : std::next(it);
    Record& record = m_records[address];
    ++record.failures;
    record.last = now;
}

void PeerThrottle::succeeded(const std::string& address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.erase(address);
}

} // namespace orsad
