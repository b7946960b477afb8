// The service running inside the client process: frames pass in memory.
// Changes reach the hub after each of its requests: its own, and those other
// services made in the same database file meanwhile.
#ifndef ORSA_SDK_EMBEDDEDTRANSPORT_H
#define ORSA_SDK_EMBEDDEDTRANSPORT_H

#include "BizOrsaResultCodes.h"
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
    void send(Op op, std::int32_t sid, const std::string& frame) override
    {
        Answer answer;
        // Accepted means answered: a lost or garbled answer becomes a failure.
        if (!decodeAnswer(m_service.handleFrame(m_session, frame), answer) || answer.sid != sid ||
            answer.op != op)
            answer = failure(op, sid, BIZORSA_E_INTERNAL);
        const FeedBatch batch = m_service.feed(m_session, m_position);
        if (batch.resyncNeeded)
            inbox().resyncNeeded();
        for (const PushedChange& change : batch.changes)
            inbox().pushed(change);
        inbox().answered(std::move(answer));
    }

private:
    Service m_service;
    Session m_session;
    std::int64_t m_position = 0; // in the change log
};

} // namespace orsa

#endif // ORSA_SDK_EMBEDDEDTRANSPORT_H
