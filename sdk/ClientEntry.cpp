// CreateOrsa and DestroyOrsa, the library's only exported symbols.
#include "EmbeddedTransport.h"
#include "Hub.h"

#include <cstring>
#include <memory>

namespace {

constexpr char kEmbedded[] = "embedded";

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
    if (!address)
        return nullptr;
    const std::string database = embeddedDatabase(address);
    if (database.empty())
        return nullptr;
    try {
        return new orsa::Hub(std::make_unique<orsa::EmbeddedTransport>(database));
    } catch (...) {
        return nullptr;
    }
}

void DestroyOrsa(IBizOrsaClient* hub)
{
    if (hub)
        static_cast<orsa::Hub*>(hub)->destroy();
}
