// Clients loading an orsad for a while, for scripts/soak.sh: each of them on
// its own connection, in turn four reads (QueryAccount), a role added and that
// role deleted again, so that the database stays the same size. At the start
// and once a minute it prints the requests/s and errors since the last line
// and orsad's resident memory and open file count, read from /proc.
//
// Usage: soak_orsad PORT PASSWORD_FILE SECONDS ORSAD_PID [CLIENTS]
//   the password of "admin" is the first line of PASSWORD_FILE; CLIENTS: 50
#include "syncclient.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string firstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line) || line.empty())
        SyncClient::fail("no password in the password file");
    return line;
}

long residentKb(const std::string& pid)
{
    std::ifstream status("/proc/" + pid + "/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:" && status >> word)
            return std::atol(word.c_str());
    return -1;
}

int openFiles(const std::string& pid)
{
    DIR* dir = opendir(("/proc/" + pid + "/fd").c_str());
    if (!dir)
        return -1;
    int count = 0;
    while (dirent* entry = readdir(dir))
        count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
    return count;
}

struct Counts {
    std::atomic<long> requests{0};
    std::atomic<long> errors{0};
};

void work(SyncClient& client, int id, Counts& counts, const std::atomic<bool>& stop)
{
    const auto count = [&](int result) {
        ++counts.requests;
        counts.errors += result != 0 ? 1 : 0;
        return result == 0;
    };
    for (long round = 0; !stop; ++round) {
        for (int i = 0; i < 4; ++i)
            count(client.read());
        std::string guid;
        if (count(
                client.addRole("soak " + std::to_string(id) + " " + std::to_string(round), &guid)))
            count(client.deleteRole(guid));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5 || argc > 6) {
        std::fputs("usage: soak_orsad PORT PASSWORD_FILE SECONDS ORSAD_PID [CLIENTS]\n", stderr);
        return 2;
    }
    const auto port = static_cast<unsigned short>(std::atoi(argv[1]));
    const std::string password = firstLine(argv[2]);
    const long seconds = std::max(1L, std::atol(argv[3]));
    const std::string pid = argv[4];
    const int clientCount = argc > 5 ? std::max(1, std::atoi(argv[5])) : 50;

    const auto report = [&](const char* when, long requests, long errors, double elapsed) {
        std::printf("%-8s %9.0f requests/s  %6ld errors  orsad RSS %7ld kB  open files %4d\n", when,
                    elapsed > 0 ? requests / elapsed : 0.0, errors, residentKb(pid),
                    openFiles(pid));
        std::fflush(stdout);
    };
    report("start", 0, 0, 0);

    std::vector<std::unique_ptr<SyncClient>> clients;
    for (int c = 0; c < clientCount; ++c)
        clients.push_back(std::make_unique<SyncClient>("127.0.0.1", port, password.c_str()));
    std::printf("%d clients logged in; %ld s of four reads, an add and a delete each\n",
                clientCount, seconds);
    report("login", 0, 0, 0);

    Counts counts;
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int c = 0; c < clientCount; ++c)
        threads.emplace_back(
            [&, c] { work(*clients[static_cast<std::size_t>(c)], c, counts, stop); });

    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(seconds);
    long lastRequests = 0, lastErrors = 0, totalErrors = 0;
    Clock::time_point last = start;
    for (int minute = 1; last < end; ++minute) {
        const Clock::time_point next = std::min(end, start + std::chrono::minutes(minute));
        std::this_thread::sleep_until(next);
        const long requests = counts.requests, errors = counts.errors;
        const std::string when = std::to_string(minute) + " min";
        report(next == end ? "end" : when.c_str(), requests - lastRequests, errors - lastErrors,
               std::chrono::duration<double>(next - last).count());
        totalErrors = errors;
        lastRequests = requests;
        lastErrors = errors;
        last = next;
    }
    stop = true;
    for (std::thread& t : threads)
        t.join();
    std::printf("in all: %ld requests, %ld errors, %.0f requests/s\n", lastRequests, totalErrors,
                lastRequests / std::chrono::duration<double>(last - start).count());
    return totalErrors == 0 ? 0 : 1;
}
