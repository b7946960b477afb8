#include "Hub.h"

#include "BizOrsaResultCodes.h"

#include <limits>
#include <vector>

namespace orsa {

Hub::Hub(std::unique_ptr<Transport> transport) : m_transport(std::move(transport))
{
    m_thread = std::thread([this] {
        run();
        if (m_releaseOnExit)
            m_transport.reset();
    });
}

Hub::~Hub() = default;

bool Hub::hasSink(Iface iface) const
{
    switch (iface) {
#define ORSA_SINK_CASE(name)                                                                       \
    case Iface::name:                                                                              \
        return m_sinks.name.load() != nullptr;
        ORSA_FOR_EACH_IFACE(ORSA_SINK_CASE)
#undef ORSA_SINK_CASE
    case Iface::Count:
        break;
    }
    return false;
}

int Hub::request(Op op, std::initializer_list<CallArg> args)
{
    const OpInfo& info = opInfo(op);
    if (!hasSink(info.iface))
        return BIZORSA_REFUSED;
    Request request;
    request.op = op;
    for (const CallArg& in : args) {
        if (in.isText && !in.text)
            return BIZORSA_REFUSED;
        Arg arg;
        arg.isText = in.isText;
        if (in.isText)
            arg.text = in.text; // the caller's text lives only during the call
        arg.number = in.number;
        request.args.push_back(std::move(arg));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping)
        return BIZORSA_REFUSED;
    // Positive and increasing; after 2^31 - 1 requests numbering starts over at 1.
    m_lastSid = m_lastSid == std::numeric_limits<std::int32_t>::max() ? 1 : m_lastSid + 1;
    request.sid = m_lastSid;
    m_queue.push_back(Pending{op, request.sid, encodeRequest(request)});
    m_wake.notify_one();
    return request.sid;
}

void Hub::run()
{
    for (;;) {
        Pending next;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            next = std::move(m_queue.front());
            m_queue.pop_front();
        }
        Answer answer;
        bool answered = false;
        try {
            answered = decodeAnswer(m_transport->exchange(next.frame), answer) &&
                       answer.sid == next.sid && answer.op == next.op;
        } catch (...) {
        }
        if (!answered) {
            // Accepted means answered: a lost or garbled answer becomes a failure.
            answer = Answer{};
            answer.op = next.op;
            answer.sid = next.sid;
            answer.result = BIZORSA_E_INTERNAL;
        }
        deliver(answer);
    }
}

void Hub::destroy()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_one();
    keepRemnant(this);
    if (std::this_thread::get_id() == m_thread.get_id()) {
        // Inside one of our callbacks: the thread frees the transport on its way out.
        m_releaseOnExit = true;
        m_thread.detach();
        return;
    }
    m_thread.join();
    m_transport.reset();
}

void Hub::keepRemnant(Hub* hub)
{
    // Never destroyed, so that the remnants stay reachable until the very end
    // and are not taken for leaks.
    static std::mutex* const mutex = new std::mutex;
    static std::vector<Hub*>* const remnants = new std::vector<Hub*>;
    std::lock_guard<std::mutex> lock(*mutex);
    remnants->push_back(hub);
}

} // namespace orsa
