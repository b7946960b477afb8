#include "TestHub.h"

#include "CheapHashCost.h"
#include "EmbeddedTransport.h"
#include "Hub.h"

IBizOrsaClient* hubOn(const TestDatabase& database)
{
    if (!database.isValid())
        return nullptr;
    if (!onPostgresql())
        return CreateOrsa(("embedded:" + database.address()).c_str(), 0, false);
    try {
        return new orsa::Hub(std::make_unique<orsa::EmbeddedTransport>(
            orsa::openStore(database.address()), kCheapHashIterations));
    } catch (const std::exception& e) {
        qWarning("no service on %s: %s", database.address().c_str(), e.what());
        return nullptr;
    }
}
