// One library wait for the answer to one request, matched by request number.
#ifndef ANSWERWAIT_P_H
#define ANSWERWAIT_P_H

#include "callbackevent_p.h"

#include <memory>

class QEventLoop;

namespace DATACore {

// Registered with the receiver from construction to destruction, so that an
// answer handled at any moment in between (also during another, nested wait)
// reaches it. Only the answer carrying its own request number ends it, or its
// own time-out; every other answer leaves it alone.
class AnswerWait
{
public:
    enum State { Waiting, Answered, TimedOut };

    explicit AnswerWait(int sid);
    ~AnswerWait();
    AnswerWait(const AnswerWait&) = delete;
    AnswerWait& operator=(const AnswerWait&) = delete;

    // Returns once the answer has been handled or the time-out has fired; at
    // once when the answer came before.
    void exec();

    int sid() const { return m_sid; }
    State state() const { return m_state; }
    // The matched answer as the receiver handled it; null unless Answered.
    std::shared_ptr<const IAccountCallBackEvent> answer() const { return m_answer; }

private:
    friend class EventReceiver;
    void finish(State state);

    int m_sid;
    int m_timerId = -1;
    State m_state = Waiting;
    QEventLoop* m_loop = nullptr;
    std::shared_ptr<const IAccountCallBackEvent> m_answer;
};

} // namespace DATACore

#endif // ANSWERWAIT_P_H
