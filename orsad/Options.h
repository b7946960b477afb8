// orsad's command line.
#ifndef ORSAD_OPTIONS_H
#define ORSAD_OPTIONS_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orsad {

using Millis = std::chrono::milliseconds;

struct Limits {
    std::uint32_t maxFrame = 64 * 1024;
    Millis frameTime{10000}; // to finish a frame once started, either way
    Millis loginTime{30000}; // from accept to a successful login
    std::size_t maxConnections = 1000;
    std::size_t maxInFlight = 256; // requests read but not yet answered
    Millis keepAlive{5000};        // three silent intervals end a connection
    Millis sessionGrace{60000};
    int freeLoginFailures = 5;        // per peer address, before its logins are held back
    Millis stopTime{5000};            // for requests in progress at SIGTERM
    long long changeLogSize = 100000; // newest changes kept for clients that come back
};

struct Options {
    std::string database; // a SQLite path or a postgresql:// URI
    std::string stateDir; // empty: see stateDirectory

    std::string host = "127.0.0.1";
    std::uint16_t port = 7100;
    bool listenGiven = false;
    std::string certFile;
    std::string keyFile;
    std::string adminPasswordFile;
    unsigned threads = 0; // 0: one per core, at least two
    bool verbose = false;
    Limits limits;
};

enum class ParseResult { Run, Help, Version, Error };

// On Error, message says what is wrong.
ParseResult parseOptions(int argc, char** argv, Options& out, std::string& message);
const char* usageText();

// Where the self-signed certificate goes: --state-dir, or the SQLite
// database's directory.
std::string stateDirectory(const Options& options);
// The file that keeps the sessions across a restart; empty to keep them in
// memory only.
std::string sessionsFile(const Options& options);

} // namespace orsad

#endif // ORSAD_OPTIONS_H
