// CreateOrsa, DestroyOrsa, BizOrsaLastCreateError and BizOrsaGetChangeFeed,
// the library's only exported symbols.
#include "BizOrsaChangeFeed.h"
#include "BizOrsaCreateError.h"
#include "EmbeddedTransport.h"
#include "HashCost.h"
#include "Hub.h"
#include "NetworkTransport.h"

#include <cstring>
#include <exception>
#include <memory>

namespace {

constexpr char kEmbedded[] = "embedded";

// Per thread, like errno: hubs may be made on several threads at once.
thread_local std::string lastCreateError;

// "embedded": private in-memory database; "embedded:PATH": SQLite file at PATH.
bool isEmbedded(const char* address)
{
    const std::size_t prefix = sizeof kEmbedded - 1;
    return std::strncmp(address, kEmbedded, prefix) == 0 &&
           (address[prefix] == '\0' || address[prefix] == ':');
}

std::string embeddedDatabase(const char* address)
{
    const char* rest = address + sizeof kEmbedded - 1;
    return *rest ? std::string(rest + 1) : std::string(":memory:");
}

std::unique_ptr<orsa::Transport> makeTransport(const char* address, short port, bool strict)
{
    if (isEmbedded(address)) {
        const std::string database = embeddedDatabase(address);
        if (database.empty())
            return nullptr;
        return std::make_unique<orsa::EmbeddedTransport>(database, orsa::embeddedHashIterations());
    }
    orsa::ServerAddress server;
    server.host = address;
    // Brackets are how people write an IPv6 literal next to a port.
    if (server.host.size() > 2 && server.host.front() == '[' && server.host.back() == ']')
        server.host = server.host.substr(1, server.host.size() - 2);
    // The header's short carries ports above 32767 as negative numbers.
    server.port = static_cast<std::uint16_t>(port);
    server.strict = strict;
    if (server.host.empty() || server.port == 0)
        return nullptr;
    return std::make_unique<orsa::NetworkTransport>(server);
}

} // namespace

IBizOrsaClient* CreateOrsa(const char* address, short port, bool flag)
{
    lastCreateError.clear();
    if (!address)
        return nullptr;
    try {
        std::unique_ptr<orsa::Transport> transport = makeTransport(address, port, flag);
        if (transport)
            return new orsa::Hub(std::move(transport));
        lastCreateError = "no service at this address";
    } catch (const std::exception& e) {
        lastCreateError = e.what();
    } catch (...) {
        lastCreateError = "the service could not be reached";
    }
    return nullptr;
}

const char* BizOrsaLastCreateError()
{
    return lastCreateError.c_str();
}

void DestroyOrsa(IBizOrsaClient* hub)
{
    if (hub)
        static_cast<orsa::Hub*>(hub)->destroy();
}

IBizOrsaChangeFeed* BizOrsaGetChangeFeed(IBizOrsaClient* hub)
{
    return hub ? static_cast<orsa::Hub*>(hub)->changeFeed() : nullptr;
}
