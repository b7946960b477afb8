// Requests per second through the service on SQLite and on PostgreSQL, side
// by side in one run: reads (the region list) and writes (a view added), by
// one client and by many at once. Each client has a service instance and a
// database connection of its own, as clients of several servers would.
//
// Usage: bench_stores POSTGRESQL_CLUSTER [clients] [seconds]
//   POSTGRESQL_CLUSTER: a postgresql:// URI without a database, of a cluster
//   used for nothing else (the database orsa_bench on it is made anew), as
//   scripts/pgcluster.sh start prints it. Defaults: 50 clients, 3 s a case.
#include "Service.h"
#include "Store.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Logins are not measured: the hash cost only slows the setup down.
constexpr int kHashIterations = 1000;
constexpr int kRegions = 50;

orsa::Arg T(const std::string& text)
{
    return {true, text, 0};
}
orsa::Arg N(int number)
{
    return {false, {}, number};
}

struct Client {
    std::unique_ptr<orsa::Service> service;
    orsa::Session session;
    int ask(orsa::Op op, std::vector<orsa::Arg> args)
    {
        orsa::Request request;
        request.op = op;
        request.sid = 1;
        request.args = std::move(args);
        return service->handle(session, request).result;
    }
};

// A new, empty database of the engine: its address.
std::string freshDatabase(bool postgresql, const std::string& cluster, const std::string& dir)
{
    if (!postgresql) {
        const std::string path = dir + "/bench.db";
        for (const char* suffix : {"", "-wal", "-shm"})
            ::unlink((path + suffix).c_str());
        return path;
    }
    auto admin = orsa::openStore(cluster + "/postgres");
    admin->exec("DROP DATABASE IF EXISTS orsa_bench");
    admin->exec("CREATE DATABASE orsa_bench");
    return cluster + "/orsa_bench";
}

// Requests per second of clients running op at once for the given time.
double rate(std::vector<Client>& clients, bool write, double seconds)
{
    std::atomic<bool> stop{false};
    std::atomic<long> done{0}, failed{0};
    std::vector<std::thread> threads;
    for (Client& c : clients) {
        threads.emplace_back([&, client = &c] {
            long n = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                const int r = write ? client->ask(orsa::Op::AddView, {T("wall"), N(4)})
                                    : client->ask(orsa::Op::QueryRegion, {T("")});
                n += 1;
                if (r != 0)
                    failed += 1;
            }
            done += n;
        });
    }
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (std::thread& t : threads)
        t.join();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (failed)
        std::fprintf(stderr, "  (%ld requests failed)\n", failed.load());
    return double(done) / elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_stores POSTGRESQL_CLUSTER [clients] [seconds]\n");
        return 2;
    }
    const std::string cluster = argv[1];
    const int many = argc > 2 ? std::atoi(argv[2]) : 50;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 3.0;
    char dirTemplate[] = "/tmp/bench_stores.XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (!dir)
        return 1;

    std::printf("%-10s %-6s %8s %12s\n", "engine", "kind", "clients", "requests/s");
    try {
        for (const bool postgresql : {false, true}) {
            for (const int count : {1, many}) {
                const std::string address = freshDatabase(postgresql, cluster, dir);
                std::vector<Client> clients(static_cast<std::size_t>(count));
                for (Client& c : clients) {
                    c.service =
                        std::make_unique<orsa::Service>(orsa::openStore(address), kHashIterations);
                    if (c.ask(orsa::Op::Login, {T("admin"), T("admin")}) != 0)
                        throw std::runtime_error("login failed");
                }
                for (int i = 0; i < kRegions; ++i)
                    clients[0].ask(orsa::Op::AddRegion,
                                   {T("region " + std::to_string(i)), T(""), N(1), T("")});
                for (const bool write : {false, true})
                    std::printf("%-10s %-6s %8d %12.0f\n", postgresql ? "postgresql" : "sqlite",
                                write ? "write" : "read", count, rate(clients, write, seconds));
                std::fflush(stdout);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_stores: %s\n", e.what());
        return 1;
    }
    const std::string path = std::string(dir) + "/bench.db";
    for (const char* suffix : {"", "-wal", "-shm"})
        ::unlink((path + suffix).c_str());
    ::rmdir(dir);
    return 0;
}
