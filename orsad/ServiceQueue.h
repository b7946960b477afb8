// The thread that runs the service for requests that do not run on an I/O
// thread. Quick requests go before password hashing, so that a queue of
// logins (each a good part of a second by design) does not hold up every
// other connection.
#ifndef ORSAD_SERVICEQUEUE_H
#define ORSAD_SERVICEQUEUE_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orsad {

class ServiceQueue
{
public:
    ServiceQueue();
    ~ServiceQueue();
    ServiceQueue(const ServiceQueue&) = delete;
    ServiceQueue& operator=(const ServiceQueue&) = delete;

    void post(bool slow, std::function<void()> job);
    // Drops the jobs still waiting and ends the thread once the running one is done.
    void stop();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_quick;
    std::deque<std::function<void()>> m_slow;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace orsad

#endif // ORSAD_SERVICEQUEUE_H
