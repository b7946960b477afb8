// The change feed over loopback TLS, through an orsad started here on SQLite:
// - latency from A's acknowledged write (AddRole, one at a time) to B's
//   OnChange for it: median and 99th percentile;
// - a burst of writes A sends without waiting (as an import does): the rate
//   at which A's writes are acknowledged, and the rate at which B receives
//   the changes, both from the burst's start.
//
// Usage: bench_changefeed [writes for the latency] [writes in the burst]
//   defaults 1000 and 10000
#include "BizOrsaChangeFeed.h"
#include "support/orsadprocess.h"

#include <QtCore/QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench_changefeed: %s\n", what);
    std::exit(1);
}

// Counts answers and changes, with the time each change came.
class Counter final : public IBizOrsaAccountEvent,
                      public IBizOrsaRoleEvent,
                      public IBizOrsaChangeSink
{
public:
    int OnAccountAdd(int, int) override { return 0; }
    int OnAccountEdit(int, int) override { return 0; }
    int OnAccountDelete(int, int) override { return 0; }
    int OnAccountGet(int, int, const tabACCOUNT*, int) override { return 0; }
    int OnAccountLogin(int, int result) override { return answered(result); }
    int OnAccountLogout(int, int) override { return 0; }
    int OnRoleAdd(int, int result, const tabROLEINFO*) override { return answered(result); }
    int OnRoleEdit(int, int) override { return 0; }
    int OnRoleDelete(int, int) override { return 0; }
    int OnRoleGet(int, int, const tabROLEINFO*, int) override { return 0; }
    void OnChange(const BizOrsaChange*) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_changes.push_back(Clock::now());
        }
        m_wake.notify_all();
    }
    void OnResyncNeeded() override { fail("resync needed"); }

    // When the answers and changes reached these counts; exits after 60 s.
    Clock::time_point awaitAnswers(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::seconds(60), [&] { return m_answers >= count; }))
            fail("no answer within 60 s");
        return m_lastAnswer;
    }
    Clock::time_point awaitChanges(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::seconds(60),
                             [&] { return m_changes.size() >= count; }))
            fail("no change within 60 s");
        return m_changes[count - 1];
    }

private:
    int answered(int result)
    {
        if (result != 0)
            fail("a request failed");
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_answers;
            m_lastAnswer = Clock::now();
        }
        m_wake.notify_all();
        return 0;
    }
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::size_t m_answers = 0;
    Clock::time_point m_lastAnswer;
    std::vector<Clock::time_point> m_changes;
};

struct Client {
    explicit Client(quint16 port) : hub(CreateOrsa("127.0.0.1", short(port), false))
    {
        if (!hub)
            fail("cannot connect");
        hub->SetAccountEvent(&counter);
        hub->SetRoleEvent(&counter);
        if (BizOrsaGetChangeFeed(hub)->SetChangeSink(&counter) != 0)
            fail("no change feed");
        hub->GetAccountInterface()->Login("admin", OrsadProcess::adminPassword().constData());
        counter.awaitAnswers(1);
    }
    ~Client() { DestroyOrsa(hub); }
    Counter counter;
    IBizOrsaClient* hub;
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int latencyWrites = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    const int burst = argc > 2 ? std::max(10, std::atoi(argv[2])) : 10000;
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    OrsadProcess orsad;
    if (!orsad.start())
        fail("orsad did not start");
    Client a(orsad.port()), b(orsad.port());

    std::vector<double> latencies;
    for (int i = 1; i <= latencyWrites; ++i) {
        a.hub->GetRoleInterface()->AddRole(("l" + std::to_string(i)).c_str(), "");
        const Clock::time_point acknowledged = a.counter.awaitAnswers(1 + i);
        latencies.push_back(std::max(0.0, ms(b.counter.awaitChanges(i) - acknowledged)));
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("latency, A's acknowledged write to B's change (%d writes): median %.3f ms, "
                "99th percentile %.3f ms\n",
                latencyWrites, latencies[latencies.size() / 2],
                latencies[latencies.size() * 99 / 100]);

    const Clock::time_point start = Clock::now();
    for (int i = 1; i <= burst; ++i)
        a.hub->GetRoleInterface()->AddRole(("b" + std::to_string(i)).c_str(), "");
    const double written = ms(a.counter.awaitAnswers(1 + latencyWrites + burst) - start);
    const double received = ms(b.counter.awaitChanges(latencyWrites + burst) - start);
    std::printf("burst of %d writes: A acknowledged at %.0f writes/s, B received at %.0f "
                "changes/s\n",
                burst, burst / written * 1000, burst / received * 1000);
    return 0;
}
