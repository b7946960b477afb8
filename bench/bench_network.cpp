// BizOrsaClientLib over loopback TLS to an orsad started here on SQLite, and
// to another on PostgreSQL when a cluster is given, next to the embedded
// service, measured in one run:
// - one client, synchronous reads (QueryAccount of one account): requests/s
//   and latency, the targets taking turns in rounds, median round; then its
//   synchronous writes (AddRole);
// - fifty clients at once, each on its own connection: aggregate reads/s
//   and writes/s on each server.
//
// Usage: bench_network [requests per round] [POSTGRESQL_CLUSTER]
//   requests per round: default 4000
//   POSTGRESQL_CLUSTER: a postgresql:// URI without a database, of a cluster
//   used for nothing else (the database orsa_bench_network on it is made
//   anew), as scripts/pgcluster.sh start prints it.
#include "Store.h"
#include "support/orsadprocess.h"
#include "syncclient.h"

#include <QtCore/QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct Round {
    double rate = 0;
    double medianUs = 0;
    double p99Us = 0;
};

Round timeReads(SyncClient& client, int count)
{
    std::vector<double> latencies;
    latencies.reserve(count);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        const Clock::time_point t = Clock::now();
        SyncClient::must(client.read(), "read failed");
        latencies.push_back(seconds(Clock::now() - t) * 1e6);
    }
    const double total = seconds(Clock::now() - start);
    std::sort(latencies.begin(), latencies.end());
    return {count / total, latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100]};
}

// Aggregate requests/s of clients doing `each` requests at once.
template <class Work>
double concurrently(std::vector<std::unique_ptr<SyncClient>>& clients, int each, Work work)
{
    std::vector<std::thread> threads;
    const Clock::time_point start = Clock::now();
    for (std::size_t c = 0; c < clients.size(); ++c)
        threads.emplace_back([&, c] {
            for (int i = 0; i < each; ++i)
                work(*clients[c], c, i);
        });
    for (std::thread& t : threads)
        t.join();
    return clients.size() * each / seconds(Clock::now() - start);
}

// An empty database on the cluster for the PostgreSQL server: its URI.
QString freshPostgresqlDatabase(const std::string& cluster)
{
    auto admin = orsa::openStore(cluster + "/postgres");
    admin->exec("DROP DATABASE IF EXISTS orsa_bench_network");
    admin->exec("CREATE DATABASE orsa_bench_network");
    return QString::fromStdString(cluster + "/orsa_bench_network");
}

// A server under measurement and its clients.
struct Target {
    const char* name;
    std::unique_ptr<SyncClient> one;
    std::vector<Round> rounds;
    std::vector<std::unique_ptr<SyncClient>> many;
};

Round median(std::vector<Round> rounds)
{
    std::sort(rounds.begin(), rounds.end(),
              [](const Round& a, const Round& b) { return a.rate < b.rate; });
    return rounds[rounds.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int perRound = argc > 1 ? std::max(100, std::atoi(argv[1])) : 4000;
    const std::string cluster = argc > 2 ? argv[2] : "";
    constexpr int kRounds = 5;
    constexpr int kClients = 50;
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    std::vector<std::unique_ptr<OrsadProcess>> servers;
    servers.push_back(std::make_unique<OrsadProcess>());
    if (!cluster.empty())
        servers.push_back(std::make_unique<OrsadProcess>(freshPostgresqlDatabase(cluster)));
    for (auto& server : servers)
        if (!server->start())
            SyncClient::fail("cannot start orsad");
    const char* password = OrsadProcess::adminPassword().constData();

    std::vector<Target> targets;
    targets.push_back({"embedded", nullptr, {}, {}});
    targets.back().one = std::make_unique<SyncClient>(
        "embedded:" + dir.filePath(QStringLiteral("embedded.db")).toStdString(), 0, "admin");
    targets.push_back({"orsad, SQLite", nullptr, {}, {}});
    if (servers.size() > 1)
        targets.push_back({"orsad, PostgreSQL", nullptr, {}, {}});
    for (std::size_t t = 1; t < targets.size(); ++t)
        targets[t].one =
            std::make_unique<SyncClient>("127.0.0.1", servers[t - 1]->port(), password);

    // Warm-up, then rounds taking turns so that a shared machine's load weighs alike.
    for (Target& target : targets)
        timeReads(*target.one, 500);
    for (int r = 0; r < kRounds; ++r)
        for (Target& target : targets)
            target.rounds.push_back(timeReads(*target.one, perRound));
    std::printf("one client, synchronous reads, median of %d rounds of %d:\n", kRounds, perRound);
    for (const Target& target : targets) {
        const Round m = median(target.rounds);
        std::printf("  %-17s %9.0f requests/s   latency median %7.1f us, p99 %7.1f us\n",
                    target.name, m.rate, m.medianUs, m.p99Us);
    }

    const int writes = std::max(5, perRound / 100);
    std::printf("one client, synchronous writes (AddRole), %d:\n", writes * 10);
    for (Target& target : targets) {
        std::vector<std::unique_ptr<SyncClient>> alone;
        alone.push_back(std::move(target.one));
        const double rate =
            concurrently(alone, writes * 10, [](SyncClient& client, std::size_t, int i) {
                SyncClient::must(client.addRole("alone " + std::to_string(i)), "write failed");
            });
        std::printf("  %-17s %9.0f requests/s\n", target.name, rate);
    }

    const int reads = std::max(20, perRound / 10);
    std::printf("%d clients at once over loopback TLS (%d reads, then %d writes each):\n", kClients,
                reads, writes);
    for (std::size_t t = 1; t < targets.size(); ++t) {
        Target& target = targets[t];
        for (int c = 0; c < kClients; ++c)
            target.many.push_back(
                std::make_unique<SyncClient>("127.0.0.1", servers[t - 1]->port(), password));
        const double readRate =
            concurrently(target.many, reads, [](SyncClient& client, std::size_t, int) {
                SyncClient::must(client.read(), "read failed");
            });
        const double writeRate =
            concurrently(target.many, writes, [](SyncClient& client, std::size_t c, int i) {
                SyncClient::must(
                    client.addRole("bench " + std::to_string(c) + " " + std::to_string(i)),
                    "write failed");
            });
        std::printf("  %-17s reads %9.0f requests/s, writes %9.0f requests/s\n", target.name,
                    readRate, writeRate);
        target.many.clear();
    }
    return 0;
}
