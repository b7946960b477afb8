#include "Options.h"

#include "Store.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace orsad {
namespace {

bool parseNumber(const std::string& text, double low, double high, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && out >= low && out <= high;
}

// "HOST:PORT", "[V6]:PORT" or "V6" with a port after the last colon.
bool parseListen(const std::string& text, std::string& host, std::uint16_t& port)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    double number = 0;
    if (!parseNumber(text.substr(colon + 1), 0, 65535, number) || number != int(number))
        return false;
    port = static_cast<std::uint16_t>(number);
    return true;
}

Millis seconds(double s)
{
    return Millis(static_cast<long long>(s * 1000));
}

} // namespace

const char* usageText()
{
    return R"(usage: orsad --database DATABASE [options]

The management service on the network, over TLS.

  --database DATABASE        a SQLite file (created when missing), or a
                             PostgreSQL URI postgresql://USER@HOST:PORT/DBNAME
                             ("postgresql://" alone: the PG* variables); its
                             password only in PGPASSWORD or ~/.pgpass
  --state-dir DIR            where the self-signed certificate and the
                             sessions file (DIR/orsad.sessions) go; required
                             with PostgreSQL, one per instance (default for
                             SQLite: the database's directory, sessions in
                             DATABASE.sessions)
  --listen HOST:PORT         address to listen on (default 127.0.0.1:7100;
                             port 0 picks a free port, named in the log)
  --tls-cert FILE            certificate (PEM); with --tls-key
  --tls-key FILE             private key (PEM); without both, a self-signed
                             pair is made in the state directory on first
                             start
  --admin-password-file FILE password of the first account "admin" of a new
                             database (default: a random one, printed once)
  --threads N                I/O threads (default: one per core, at least 2)
  --verbose                  one log line per request
  --max-frame BYTES          largest request frame (65536)
  --frame-timeout S          seconds to finish a started frame (10)
  --login-timeout S          seconds from connecting to logging in (30)
  --max-connections N        connections at once (1000)
  --max-in-flight N          unanswered requests per connection before the
                             server stops reading from it (256)
  --keepalive S              ping interval a client is told to keep (5)
  --session-grace S          seconds a dropped session may be resumed, also
                             after a restart (60); kept in the sessions file
  --login-failures N         failed logins from one address within a minute
                             before its next logins wait, 1 s doubling up
                             to 30 s (5)
  --change-log N             newest changes kept for clients that resume a
                             session; one further behind reloads (100000)
  --help, --version
)";
}

ParseResult parseOptions(int argc, char** argv, Options& out, std::string& message)
{
    Limits& l = out.limits;
    using Setter = std::function<bool(const std::string&)>;
    auto secondsInto = [](Millis& field, double low) {
        return [&field, low](const std::string& v) {
            double s = 0;
            if (!parseNumber(v, low, 86400, s))
                return false;
            field = seconds(s);
            return true;
        };
    };
    auto countInto = [](auto& field, double low, double high) {
        return [&field, low, high](const std::string& v) {
            double n = 0;
            if (!parseNumber(v, low, high, n) || n != static_cast<long long>(n))
                return false;
            field = static_cast<std::remove_reference_t<decltype(field)>>(n);
            return true;
        };
    };
    auto textInto = [](std::string& field) {
        return [&field](const std::string& v) {
            field = v;
            return !v.empty();
        };
    };
    const std::map<std::string, Setter> withValue = {
        {"--database", textInto(out.database)},
        {"--listen",
         [&](const std::string& v) {
             return out.listenGiven = parseListen(v, out.host, out.port);
         }},
        {"--state-dir", textInto(out.stateDir)},
        {"--tls-cert", textInto(out.certFile)},
        {"--tls-key", textInto(out.keyFile)},
        {"--admin-password-file", textInto(out.adminPasswordFile)},
        {"--threads", countInto(out.threads, 1, 256)},
        {"--max-frame", countInto(l.maxFrame, 1024, 64 * 1024 * 1024)},
        {"--frame-timeout", secondsInto(l.frameTime, 0.05)},
        {"--login-timeout", secondsInto(l.loginTime, 0.05)},
        {"--max-connections", countInto(l.maxConnections, 1, 1000000)},
        {"--max-in-flight", countInto(l.maxInFlight, 1, 1000000)},
        {"--keepalive", secondsInto(l.keepAlive, 0.05)},
        {"--session-grace", secondsInto(l.sessionGrace, 0)},
        {"--login-failures", countInto(l.freeLoginFailures, 0, 1000)},
        {"--change-log", countInto(l.changeLogSize, 1, 1e12)},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return ParseResult::Help;
        if (arg == "--version")
            return ParseResult::Version;
        if (arg == "--verbose" || arg == "-v") {
            out.verbose = true;
            continue;
        }
        const auto setter = withValue.find(arg);
        if (setter == withValue.end()) {
            message = "unknown option " + arg;
            return ParseResult::Error;
        }
        if (i + 1 >= argc || !setter->second(argv[i + 1])) {
            message = "bad or missing value for " + arg;
            return ParseResult::Error;
        }
        ++i;
    }
    if (out.database.empty()) {
        message = "--database is required";
        return ParseResult::Error;
    }
    if (orsa::isPostgresqlUri(out.database) && out.stateDir.empty()) {
        message = "--state-dir is required with a PostgreSQL database";
        return ParseResult::Error;
    }
    if (out.certFile.empty() != out.keyFile.empty()) {
        message = "--tls-cert and --tls-key go together";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

std::string stateDirectory(const Options& options)
{
    if (!options.stateDir.empty())
        return options.stateDir;
    const std::size_t slash = options.database.rfind('/');
    return slash == std::string::npos ? "." : options.database.substr(0, slash);
}

std::string sessionsFile(const Options& options)
{
    if (!options.stateDir.empty())
        return options.stateDir + "/orsad.sessions";
    // A SQLite database's own name keeps two sites in one directory apart.
    return options.database == ":memory:" ? std::string() : options.database + ".sessions";
}

} // namespace orsad
