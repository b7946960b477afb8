// The cost of one add through the service as its kind grows: device adds
// (4 channels each) with 100 and with 10,000 devices stored, on a SQLite file
// (each add a synced commit) and in memory (the statements' own work alone),
// and on PostgreSQL when a cluster is given.
//
// Usage: bench_adds [adds] [POSTGRESQL_CLUSTER]
//   adds: timed adds at each size (default 300). POSTGRESQL_CLUSTER: a
//   postgresql:// URI without a database, of a cluster used for nothing else
//   (the database orsa_bench_adds on it is made anew).
#include "Service.h"
#include "Store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kHashIterations = 1000;
constexpr int kSizes[] = {100, 10000};

orsa::Arg T(const std::string& text)
{
    return {true, text, 0};
}
orsa::Arg N(int number)
{
    return {false, {}, number};
}

struct Client {
    orsa::Service service;
    orsa::Session session;
    void addDevice(int n)
    {
        orsa::Request request;
        request.op = orsa::Op::AddDevice;
        request.sid = 1;
        request.args = {T("NVR-" + std::to_string(n)),
                        T("DS" + std::to_string(n)),
                        T("admin"),
                        T("pw"),
                        T("10.0.0.2"),
                        N(8000),
                        N(4),
                        N(1),
                        N(2)};
        if (service.handle(session, request).result != 0)
            throw std::runtime_error("a device add failed");
    }
};

// Microseconds per add once the kind holds size: the best batch of 20, the
// one least disturbed by other processes.
double costAt(Client& c, int& stored, int size, int adds)
{
    while (stored < size)
        c.addDevice(stored++);
    std::vector<double> batches;
    for (int done = 0; done < adds; done += 20) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i)
            c.addDevice(stored++);
        batches.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count() /
            20);
    }
    return *std::min_element(batches.begin(), batches.end());
}

void measure(const char* label, std::unique_ptr<orsa::Store> store, int adds)
{
    Client c{orsa::Service(std::move(store), kHashIterations), {}};
    orsa::Request login;
    login.op = orsa::Op::Login;
    login.sid = 1;
    login.args = {T("admin"), T("admin")};
    if (c.service.handle(c.session, login).result != 0)
        throw std::runtime_error("login failed");
    int stored = 0;
    std::vector<double> costs;
    for (const int size : kSizes)
        costs.push_back(costAt(c, stored, size, adds));
    std::printf("%-10s %12.1f %14.1f %8.2f\n", label, costs[0], costs[1], costs[1] / costs[0]);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const int adds = std::max(20, argc > 1 ? std::atoi(argv[1]) : 300);
    char dirTemplate[] = "/tmp/bench_adds.XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (!dir)
        return 1;
    const std::string path = std::string(dir) + "/bench.db";
    std::printf("device add, us   at 100 devices  at 10,000 devices  ratio\n");
    try {
        measure("memory", orsa::openStore(":memory:"), adds);
        measure("file", orsa::openStore(path), adds);
        if (argc > 2) {
            const std::string cluster = argv[2];
            auto admin = orsa::openStore(cluster + "/postgres");
            admin->exec("DROP DATABASE IF EXISTS orsa_bench_adds");
            admin->exec("CREATE DATABASE orsa_bench_adds");
            measure("postgresql", orsa::openStore(cluster + "/orsa_bench_adds"), adds);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_adds: %s\n", e.what());
        return 1;
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        ::unlink((path + suffix).c_str());
    ::rmdir(dir);
    return 0;
}
