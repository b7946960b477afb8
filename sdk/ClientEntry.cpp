// CreateOrsa, DestroyOrsa and BizOrsaLastCreateError, the library's only
// exported symbols.
#include "BizOrsaCreateError.h"
#include "EmbeddedTransport.h"
#include "HashCost.h"
#include "Hub.h"

#include <cstring>
#include <exception>
#include <memory>

namespace {

constexpr char kEmbedded[] = "embedded";

// Per thread, like errno: hubs may be made on several threads at once.
thread_local std::string lastCreateError;

// "embedded": private in-memory database; "embedded:PATH": SQLite file at PATH.
// Empty when the address names no embedded service.
std::string embeddedDatabase(const char* address)
{
    const std::size_t prefix = sizeof kEmbedded - 1;
    if (std::strcmp(address, kEmbedded) == 0)
        return ":memory:";
    if (std::strncmp(address, kEmbedded, prefix) == 0 && address[prefix] == ':')
        return address + prefix + 1;
    return {};
}

} // namespace

// The port and the flag are for the network transport, which is not there yet.
IBizOrsaClient* CreateOrsa(const char* address, short /*port*/, bool /*flag*/)
{
    lastCreateError.clear();
    const std::string database = address ? embeddedDatabase(address) : std::string();
    if (database.empty()) {
        lastCreateError = "no embedded service at this address";
        return nullptr;
    }
    try {
        return new orsa::Hub(
            std::make_unique<orsa::EmbeddedTransport>(database, orsa::embeddedHashIterations()));
    } catch (const std::exception& e) {
        lastCreateError = e.what();
    } catch (...) {
        lastCreateError = "the service could not start";
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
