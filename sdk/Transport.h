// How a hub reaches the service: request frames out, answers back through
// the hub's inbox.
#ifndef ORSA_SDK_TRANSPORT_H
#define ORSA_SDK_TRANSPORT_H

#include "Frame.h"
#include "Wire.h"

#include <string>

namespace orsa {

// Takes answers from any thread.
class AnswerInbox
{
public:
    virtual void answered(Answer answer) = 0;
    // The server's changes, in revision order, and its notice that some were
    // lost: on the thread that delivers answers (the transport's own, or the
    // hub's during send()).
    virtual void pushed(const PushedChange& change) = 0;
    virtual void resyncNeeded() = 0;
    // The revision of the last change delivered: where a resumed session
    // goes on from.
    virtual std::int64_t lastRevision() const = 0;

protected:
    ~AnswerInbox() = default;
};

class Transport
{
public:
    virtual ~Transport() = default;
    // Called once, before the first send.
    void attach(AnswerInbox& inbox) { m_inbox = &inbox; }
    // Called in request order, on the hub's thread unless hasOwnThread().
    // Each request gets exactly one answer in the inbox, unless the transport
    // is destroyed first.
    virtual void send(Op op, std::int32_t sid, const std::string& frame) = 0;

    // A transport with a thread of its own: send() only hands the frame to
    // that thread, so any thread may call it, and answers arrive on it, where
    // the hub delivers them at once. Two thread switches fewer per request.
    virtual bool hasOwnThread() const { return false; }
    virtual bool onOwnThread() const { return false; }
    // The hub is destroyed from one of its callbacks, on that thread: the
    // transport frees itself once the callback has returned.
    virtual void releaseFromOwnThread() {}

protected:
    AnswerInbox& inbox() { return *m_inbox; }
    static Answer failure(Op op, std::int32_t sid, std::int32_t result)
    {
        Answer answer;
        answer.op = op;
        answer.sid = sid;
        answer.result = result;
        return answer;
    }

private:
    AnswerInbox* m_inbox = nullptr;
};

} // namespace orsa

#endif // ORSA_SDK_TRANSPORT_H
