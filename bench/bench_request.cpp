// The cost of one synchronous library request against an SDK that answers at
// once from its own thread, next to the same round trip in bare Qt: post an
// event from that thread, quit a local QEventLoop in its handler.
//
// Usage: bench_request [iterations]   (default 20000, after a warm-up)
// Run with QT_LOGGING_RULES="orsa.datacenter.debug=false" to leave logging out.
#include "BizOrsaClientLib.h"
#include "orsadatacenter.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QEventLoop>

#include <algorithm>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// One long-lived thread that runs queued jobs in order: the SDK's thread.
class Worker
{
public:
    Worker() : m_thread([this] { run(); }) {}
    ~Worker()
    {
        post({});
        m_thread.join();
    }
    // An empty job ends the thread.
    void post(std::function<void()> job)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_ready.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_jobs.empty(); });
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            if (!job)
                return;
            job();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_jobs;
    std::thread m_thread;
};

Worker& worker()
{
    static Worker w;
    return w;
}

#define REFUSED(name, ...)                                                                         \
    int name(__VA_ARGS__) override                                                                 \
    {                                                                                              \
        return -1;                                                                                 \
    }

// Answers QueryView and DeleteRole at once on the worker; refuses the rest.
class BenchSdk final : public IBizOrsaClient,
                       public IBizOrsaAccount,
                       public IBizOrsaDevice,
                       public IBizOrsaView,
                       public IBizOrsaRegion,
                       public IBizOrsaRole,
                       public IBizOrsaServer,
                       public IBizOrsaRolePermission,
                       public IBizOrsaVideoRegion,
                       public IBizOrsaAlarmRegion
{
public:
    IBizOrsaAccount* GetAccountInterface() override { return this; }
    IBizOrsaDevice* GetDeviceInterface() override { return this; }
    IBizOrsaView* GetViewInterface() override { return this; }
    IBizOrsaRegion* GetRegionInterface() override { return this; }
    IBizOrsaRole* GetRoleInterface() override { return this; }
    IBizOrsaVideoRegion* GetVideoRegionInterface() override { return this; }
    IBizOrsaAlarmRegion* GetAlarmRegionInterface() override { return this; }
    IBizOrsaRolePermission* GetRolePermissionInterface() override { return this; }
    IBizOrsaServer* GetServerInterface() override { return this; }
    int SetViewEvent(IBizOrsaViewEvent* sink) override
    {
        m_view = sink;
        return 0;
    }
    int SetRoleEvent(IBizOrsaRoleEvent* sink) override
    {
        m_role = sink;
        return 0;
    }
    REFUSED(SetAccountEvent, IBizOrsaAccountEvent*)
    REFUSED(SetDeviceEvent, IBizOrsaDeviceEvent*)
    REFUSED(SetRegionEvent, IBizOrsaRegionEvent*)
    REFUSED(SetVideoRegionEvent, IBizOrsaVideoRegionEvent*)
    REFUSED(SetAlarmRegionEvent, IBizOrsaAlarmRegionEvent*)
    REFUSED(SetRolePermissionEvent, IBizOrsaRolePermissionEvent*)
    REFUSED(SetServerEvent, IBizOrsaServerEvent*)

    int QueryView(const char*) override
    {
        const int sid = ++m_sid;
        worker().post([this, sid] { m_view->OnViewGet(sid, 0, nullptr, 0); });
        return sid;
    }
    int DeleteRole(const char*) override
    {
        const int sid = ++m_sid;
        worker().post([this, sid] { m_role->OnRoleDelete(sid, 0); });
        return sid;
    }

    REFUSED(AddAccount, const char*, const char*, const char*, const char*, const char*)
    REFUSED(EditAccount, const char*, const char*, const char*, const char*, const char*)
    REFUSED(DeleteAccount, const char*)
    REFUSED(QueryAccount, const char*)
    REFUSED(Login, const char*, const char*)
    int Logout() override { return -1; }
    REFUSED(AddDevice, const char*, const char*, const char*, const char*, const char*, int, int,
            int, int)
    int Reserved() override { return -1; }
    REFUSED(EditDevice, const char*, const char*, const char*, const char*, const char*, int)
    REFUSED(DeleteDevice, const char*)
    REFUSED(QueryDevice, const char*)
    REFUSED(QueryDeviceChannel, const char*)
    REFUSED(AddView, const char*, int)
    REFUSED(EditView, const char*, const char*, int)
    REFUSED(DeleteView, const char*)
    REFUSED(AddViewChannel, const char*, const char*, int)
    REFUSED(EditViewChannel, const char*, const char*, int)
    REFUSED(DeleteViewChannel, const char*, const char*)
    REFUSED(QueryViewChannel, const char*)
    REFUSED(AddRegion, const char*, const char*, int, const char*)
    REFUSED(EditRegion, const char*, const char*, const char*)
    REFUSED(DeleteRegion, const char*)
    REFUSED(QueryRegion, const char*)
    REFUSED(AddRegionChannel, const char*, const char*, const char*)
    REFUSED(EditRegionChannel, const char*, const char*, const char*)
    REFUSED(DeleteRegionChannel, const char*, const char*)
    REFUSED(QueryRegionChannel, const char*)
    REFUSED(AddRole, const char*, const char*)
    REFUSED(EditRole, const char*, const char*, const char*)
    REFUSED(QueryRole, const char*)
    REFUSED(AddServer, const char*, const char*, const char*, const char*, int, int)
    REFUSED(EditServer, const char*, const char*, const char*, const char*, const char*, int)
    REFUSED(DeleteServer, const char*)
    REFUSED(QueryServer, const char*)
    REFUSED(AddRolePermission, const char*, const char*, const char*)
    REFUSED(DeleteRolePermission, const char*)
    REFUSED(QueryRolePermission, const char*)
    REFUSED(AddVideoRegion, const char*, const char*)
    REFUSED(DeleteVideoRegion, const char*, const char*)
    REFUSED(QueryVideoRegion, const char*)
    REFUSED(AddAlarmRegion, const char*, const char*)
    REFUSED(DeleteAlarmRegion, const char*, const char*)
    REFUSED(QueryAlarmRegion, const char*)

    bool created = false;

private:
    IBizOrsaViewEvent* m_view = nullptr;
    IBizOrsaRoleEvent* m_role = nullptr;
    int m_sid = 0;
};

#undef REFUSED

BenchSdk& benchSdk()
{
    static BenchSdk sdk;
    return sdk;
}

// The bare-Qt side: the handler of the posted event quits the running loop.
class LoopQuitter : public QObject
{
public:
    QEventLoop* loop = nullptr;

protected:
    void customEvent(QEvent*) override { loop->quit(); }
};

bool bareRoundTrip(LoopQuitter& quitter)
{
    worker().post([&quitter] {
        QCoreApplication::postEvent(&quitter, new QEvent(QEvent::Type(QEvent::User + 1)),
                                    Qt::LowEventPriority);
    });
    QEventLoop loop;
    quitter.loop = &loop;
    loop.exec();
    return true;
}

bool viewFetch()
{
    bool ok = false;
    DATACore::UserManagerCore::instance()->getViewFromSDK(QString(), ok);
    return ok;
}

bool roleDelete()
{
    return DATACore::UserManagerCore::instance()->DeleteOneRole(QStringLiteral("role"));
}

bool warmUp(const std::function<bool()>& request, int iterations)
{
    for (int i = 0; i < iterations; ++i) {
        if (!request())
            return false;
    }
    return true;
}

// Microseconds per call of request over iterations.
double perRequest(const std::function<bool()>& request, int iterations)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < iterations; ++i)
        request();
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / iterations;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

// The SDK's two functions, taking the place of the library's.
IBizOrsaClient* CreateOrsa(const char*, short, bool)
{
    benchSdk().created = true;
    return &benchSdk();
}

void DestroyOrsa(IBizOrsaClient*) {}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (iterations <= 0) {
        std::fprintf(stderr, "usage: bench_request [iterations]\n");
        return 2;
    }
    DATACore::EventReceiver* receiver = DATACore::EventReceiver::instance();
    if (!DATACore::UserManagerCore::instance()->ExportInterFace(receiver, QStringLiteral("bench"),
                                                                0, false) ||
        !benchSdk().created) {
        std::fprintf(stderr, "the bench SDK did not take the library's place\n");
        return 1;
    }

    LoopQuitter quitter;
    const std::vector<std::pair<const char*, std::function<bool()>>> requests = {
        {"bare Qt round trip", [&quitter] { return bareRoundTrip(quitter); }},
        {"getViewFromSDK", viewFetch},
        {"DeleteOneRole", roleDelete},
    };
    for (const auto& request : requests) {
        if (!warmUp(request.second, iterations / 10 + 1)) {
            std::fprintf(stderr, "%s failed\n", request.first);
            return 1;
        }
    }
    // Rounds that take turns, so that the load of a shared machine weighs
    // alike on all three; the median round counts.
    constexpr int kRounds = 11;
    std::vector<std::vector<double>> rounds(requests.size());
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t r = 0; r < requests.size(); ++r)
            rounds[r].push_back(perRequest(requests[r].second, iterations / kRounds + 1));
    }
    const double bare = median(rounds[0]);
    std::printf("iterations per figure: %d, in %d rounds (median round)\n", iterations, kRounds);
    for (std::size_t r = 0; r < requests.size(); ++r) {
        const double us = median(rounds[r]);
        std::printf("%-20s %8.2f us  (%.2f x bare Qt)\n", requests[r].first, us, us / bare);
    }
    std::printf("target: within 1.30 x bare Qt\n");
    return 0;
}
