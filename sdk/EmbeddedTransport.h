// The service running inside the client process: frames pass in memory.
#ifndef ORSA_SDK_EMBEDDEDTRANSPORT_H
#define ORSA_SDK_EMBEDDEDTRANSPORT_H

#include "Service.h"
#include "Transport.h"

namespace orsa {

class EmbeddedTransport final : public Transport
{
public:
    // Throws DbError when the database cannot be opened.
    EmbeddedTransport(const std::string& databasePath, int hashIterations)
        : m_service(databasePath, hashIterations)
    {}
    // On a store of the caller's choice, which the service then owns.
    EmbeddedTransport(std::unique_ptr<Store> store, int hashIterations)
        : m_service(std::move(store), hashIterations)
    {}
    std::string exchange(const std::string& requestFrame) override
    {
        return m_service.handleFrame(m_session, requestFrame);
    }

private:
    Service m_service;
    Session m_session;
};

} // namespace orsa

#endif // ORSA_SDK_EMBEDDEDTRANSPORT_H
