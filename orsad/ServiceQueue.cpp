#include "ServiceQueue.h"

namespace orsad {

ServiceQueue::ServiceQueue() : m_thread([this] { run(); }) {}

ServiceQueue::~ServiceQueue()
{
    stop();
}

void ServiceQueue::post(bool slow, std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        (slow ? m_slow : m_quick).push_back(std::move(job));
    }
    m_wake.notify_one();
}

void ServiceQueue::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_quick.clear();
        m_slow.clear();
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void ServiceQueue::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_quick.empty() || !m_slow.empty(); });
            if (m_stopping)
                return;
            auto& queue = m_quick.empty() ? m_slow : m_quick;
            job = std::move(queue.front());
            queue.pop_front();
        }
        job();
    }
}

} // namespace orsad
