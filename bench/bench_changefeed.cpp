// How fast the changes of one client reach another through orsad on loopback:
// client A writes through the SDK itself, client B is the data layer.
// - latency: from the moment A's write is acknowledged (its answer callback)
//   to B's signalRemoteChange for it, one write at a time: median and 99th
//   percentile;
// - burst: A adds views one after another as an import does, from a thread of
//   its own, while B applies them: A's write rate next to B's apply rate, and
//   how far B is behind when A's last write is acknowledged.
//
// Usage: bench_changefeed [writes timed one by one] [burst size]
//   defaults 300 and 10000
#include "BizOrsaClientLib.h"
#include "orsadatacenter.h"
#include "sdk/RecordingSink.h"
#include "support/orsadprocess.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QLoggingCategory>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using DATACore::RemoteChange;
using DATACore::UserManagerCore;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench_changefeed: %s\n", what);
    std::exit(1);
}

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Client A, with the instant each answer arrived.
class Writer
{
public:
    explicit Writer(quint16 port) : m_hub(CreateOrsa("127.0.0.1", short(port), false))
    {
        if (!m_hub)
            fail("A cannot connect");
        m_sink.afterEach = [this](const Callback& c) {
            const Clock::time_point now = Clock::now();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_answeredAt = now;
                m_lastSid = c.sid;
            }
            m_answered.notify_all();
        };
        m_sink.attach(m_hub);
        if (m_sink.await(m_hub->GetAccountInterface()->Login("admin", "admin")).result != 0)
            fail("A cannot log in");
    }
    ~Writer() { DestroyOrsa(m_hub); }

    // Adds a view and waits for the answer; the instant it was acknowledged.
    Clock::time_point addView(const QByteArray& name)
    {
        const int sid = m_hub->GetViewInterface()->AddView(name.constData(), 4);
        if (sid < 0 || m_sink.await(sid, 60000).result < 0)
            fail("A's write failed");
        // The sink notes the instant just after handing the answer over.
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_answered.wait_for(lock, std::chrono::seconds(10), [&] { return m_lastSid == sid; }))
            fail("answers out of step");
        return m_answeredAt;
    }

private:
    RecordingSink m_sink;
    IBizOrsaClient* m_hub;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    Clock::time_point m_answeredAt;
    int m_lastSid = 0;
};

// Runs B's event loop until done() or the bound.
bool runUntil(const std::function<bool()>& done, int boundMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    poll.start(1);
    if (!done())
        loop.exec();
    return done();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("orsa.datacenter.debug=false"));
    const int timed = argc > 1 ? std::atoi(argv[1]) : 300;
    const int burst = argc > 2 ? std::atoi(argv[2]) : 10000;
    if (timed < 1 || burst < 1)
        fail("usage: bench_changefeed [writes timed one by one] [burst size]");

    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    OrsadProcess orsad;
    if (!orsad.start())
        fail("orsad did not start");

    UserManagerCore* b = UserManagerCore::instance();
    if (!b->ExportInterFace(DATACore::EventReceiver::instance(), QStringLiteral("127.0.0.1"),
                            short(orsad.port()), false) ||
        !b->AccountLogin(QStringLiteral("admin"), QStringLiteral("admin")) ||
        !b->getCacheFromSDK() || !b->changeFeedAvailable())
        fail("B cannot connect, log in and load, or its SDK has no change feed");
    Writer a(orsad.port());

    // B's signal for each change, on its own thread.
    std::vector<Clock::time_point> seenAt;
    seenAt.reserve(size_t(timed + burst));
    QObject::connect(b, &UserManagerCore::signalRemoteChange, b,
                     [&](const RemoteChange&) { seenAt.push_back(Clock::now()); });

    // ---- Latency, one write at a time ----------------------------------------------
    std::vector<double> latencies;
    for (int i = 0; i < timed; ++i) {
        const size_t before = seenAt.size();
        const Clock::time_point acknowledged = a.addView("latency " + QByteArray::number(i));
        if (!runUntil([&] { return seenAt.size() > before; }, 30000))
            fail("B did not see a change within 30 s");
        latencies.push_back(ms(seenAt[before] - acknowledged));
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies[latencies.size() / 2];
    const double p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    std::printf("latency, A's acknowledged write to B's signal (%d writes): median %.2f ms, "
                "99th percentile %.2f ms, max %.2f ms\n",
                timed, median, p99, latencies.back());

    // ---- A burst ------------------------------------------------------------------------
    const size_t start = seenAt.size();
    Clock::time_point firstWrite, lastAck;
    std::atomic<bool> written{false};
    std::thread importer([&] {
        firstWrite = Clock::now();
        for (int i = 0; i < burst; ++i)
            lastAck = a.addView("burst " + QByteArray::number(i));
        written = true;
    });
    const bool all = runUntil([&] { return seenAt.size() >= start + size_t(burst); }, 600000);
    importer.join();
    if (!all || !written)
        fail("B did not see the whole burst within 10 minutes");
    const double writeSeconds = ms(lastAck - firstWrite) / 1000;
    const double applySeconds = ms(seenAt.back() - seenAt[start]) / 1000;
    std::printf("burst of %d changes: A wrote %.0f changes/s (%.2f s); B applied %.0f changes/s "
                "(%.2f s from its first to its last); B's last signal %.2f ms after A's last "
                "acknowledgement\n",
                burst, burst / writeSeconds, writeSeconds, burst / applySeconds, applySeconds,
                ms(seenAt.back() - lastAck));
    return 0;
}
