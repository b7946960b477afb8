// The SDK's hub: accepts requests on the caller's thread and answers each one
// exactly once, through the registered callback interface, on its own thread.
#ifndef ORSA_SDK_HUB_H
#define ORSA_SDK_HUB_H

#include "BizOrsaChangeFeed.h"
#include "BizOrsaClientLib.h"
#include "Frame.h"
#include "SubInterfaces.h"
#include "Transport.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <thread>

namespace orsa {

// One argument as the caller passed it; a null text refuses the request.
struct CallArg {
    CallArg(const char* t) : text(t), isText(true) {}
    CallArg(int n) : number(n) {}
    const char* text = nullptr;
    int number = 0;
    bool isText = false;
};

class Hub final : public IBizOrsaClient, public IBizOrsaChangeFeed, private AnswerInbox
{
public:
    explicit Hub(std::unique_ptr<Transport> transport);
    Hub(const Hub&) = delete;
    Hub& operator=(const Hub&) = delete;

#define ORSA_HUB_SLOTS(name)                                                                       \
    IBizOrsa##name* Get##name##Interface() override                                                \
    {                                                                                              \
        return &m_##name;                                                                          \
    }                                                                                              \
    int Set##name##Event(IBizOrsa##name##Event* sink) override                                     \
    {                                                                                              \
        m_sinks.name.store(sink);                                                                  \
        return 0;                                                                                  \
    }
    ORSA_FOR_EACH_IFACE(ORSA_HUB_SLOTS)
#undef ORSA_HUB_SLOTS

    int SetChangeSink(IBizOrsaChangeSink* sink) override;
    long long LastRevision() override
    {
        return m_lastRevision;
    }
    // Null once destroyed.
    IBizOrsaChangeFeed* changeFeed();

    // A positive request number, or BIZORSA_REFUSED.
    int request(Op op, std::initializer_list<CallArg> args);

    // Stops the thread and frees the transport; no callback runs once this
    // returns. Pending requests are dropped unanswered. The hub itself stays
    // as a remnant that refuses every request. Called from one of this hub's
    // callbacks, it cannot wait for its own thread: the thread frees the
    // transport as soon as that callback returns.
    void destroy();

private:
    ~Hub();
    static void keepRemnant(Hub* hub);
    void run();
    void answered(Answer answer) override;
    void pushed(const PushedChange& change) override;
    void resyncNeeded() override;
    std::int64_t lastRevision() const override
    {
        return m_lastRevision;
    }
    // False once destroy() began.
    bool running();
    bool hasSink(Iface iface) const;
    void deliver(const Answer& answer);

    struct Sinks {
#define ORSA_SINK_MEMBER(name) std::atomic<IBizOrsa##name##Event*> name{nullptr};
        ORSA_FOR_EACH_IFACE(ORSA_SINK_MEMBER)
#undef ORSA_SINK_MEMBER
    };

    struct Pending {
        Op op;
        std::int32_t sid;
        std::string frame;
    };

#define ORSA_API_MEMBER(name) name##Api m_##name{*this};
    ORSA_FOR_EACH_IFACE(ORSA_API_MEMBER)
#undef ORSA_API_MEMBER

    Sinks m_sinks;
    std::atomic<IBizOrsaChangeSink*> m_changeSink{nullptr};
    std::atomic<long long> m_lastRevision{0};
    std::unique_ptr<Transport> m_transport;
    // The transport has a thread of its own; the hub then needs none.
    const bool m_direct;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Pending> m_queue;
    std::deque<Answer> m_answers;
    bool m_stopping = false;
    bool m_releaseOnExit = false; // set on the hub's thread only
    std::int32_t m_lastSid = 0;
    std::thread m_thread;
};

} // namespace orsa

#endif // ORSA_SDK_HUB_H
