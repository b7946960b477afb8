#include "Hub.h"

#include "BizOrsaResultCodes.h"
#include "ChangeKinds.h"

#include <cstring>
#include <limits>
#include <vector>

namespace orsa {

Hub::Hub(std::unique_ptr<Transport> transport)
    : m_transport(std::move(transport)), m_direct(m_transport->hasOwnThread())
{
    m_transport->attach(*this);
    if (m_direct)
        return;
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
    if (m_direct) {
        // Under the lock, so that requests leave in the order of their numbers.
        m_transport->send(op, request.sid, encodeRequest(request));
        return request.sid;
    }
    m_queue.push_back(Pending{op, request.sid, encodeRequest(request)});
    m_wake.notify_one();
    return request.sid;
}

void Hub::run()
{
    for (;;) {
        Pending next;
        Answer answer;
        bool isAnswer = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock,
                        [this] { return m_stopping || !m_queue.empty() || !m_answers.empty(); });
            if (m_stopping)
                return;
            // Answers first: a caller waits on them, while a request can wait its turn.
            isAnswer = !m_answers.empty();
            if (isAnswer) {
                answer = std::move(m_answers.front());
                m_answers.pop_front();
            } else {
                next = std::move(m_queue.front());
                m_queue.pop_front();
            }
        }
        if (isAnswer) {
            deliver(answer);
            continue;
        }
        try {
            m_transport->send(next.op, next.sid, next.frame);
        } catch (...) {
            Answer failed;
            failed.op = next.op;
            failed.sid = next.sid;
            failed.result = BIZORSA_E_INTERNAL;
            deliver(failed);
        }
    }
}

void Hub::answered(Answer answer)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        if (!m_direct)
            m_answers.push_back(std::move(answer));
    }
    // A callback under way when destroy() begins ends before it returns:
    // destroy() waits for the transport's thread.
    if (m_direct)
        deliver(answer);
    else
        m_wake.notify_one();
}

bool Hub::running()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_stopping;
}

IBizOrsaChangeFeed* Hub::changeFeed()
{
    return running() ? this : nullptr;
}

int Hub::SetChangeSink(IBizOrsaChangeSink* sink)
{
    if (!running())
        return BIZORSA_REFUSED;
    m_changeSink.store(sink);
    return 0;
}

// Both on the thread that delivers answers: a callback under way when
// destroy() begins ends before it returns, as for answers.
void Hub::pushed(const PushedChange& change)
{
    // A change the server sends again after a reconnection was delivered already.
    if (change.revision <= m_lastRevision || !running())
        return;
    m_lastRevision = change.revision;
    IBizOrsaChangeSink* sink = m_changeSink.load();
    if (!sink)
        return;
    // Copied so that the record's fields are aligned for its type.
    alignas(std::max_align_t) char record[kLargestChangeRecord];
    std::memcpy(record, change.record.data(), change.record.size());
    BizOrsaChange out{};
    out.revision = change.revision;
    out.kind = static_cast<int>(change.kind);
    out.operation = static_cast<int>(change.operation);
    out.own = change.own ? 1 : 0;
    out.cascaded = change.cascaded ? 1 : 0;
    out.recordSize = static_cast<int>(change.record.size());
    out.record = record;
    sink->OnChange(&out);
}

void Hub::resyncNeeded()
{
    IBizOrsaChangeSink* sink = m_changeSink.load();
    if (sink && running())
        sink->OnResyncNeeded();
}

void Hub::destroy()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_answers.clear();
    }
    m_wake.notify_one();
    keepRemnant(this);
    if (m_direct && m_transport->onOwnThread()) {
        m_transport.release()->releaseFromOwnThread();
        return;
    }
    if (std::this_thread::get_id() == m_thread.get_id()) {
        // Inside one of our callbacks: the thread frees the transport on its way out.
        m_releaseOnExit = true;
        m_thread.detach();
        return;
    }
    if (m_thread.joinable())
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
