// Runs each job on a thread of its own and waits for all of them: clients
// of a test at once.
#ifndef CONCURRENTLY_H
#define CONCURRENTLY_H

#include <functional>
#include <thread>
#include <vector>

inline void concurrently(const std::vector<std::function<void()>>& jobs)
{
    std::vector<std::thread> threads;
    for (const auto& job : jobs)
        threads.emplace_back(job);
    for (std::thread& t : threads)
        t.join();
}

#endif // CONCURRENTLY_H
