#include "answerwait_p.h"

#include "eventreceiver.h"
#include "userdatacache.h"

#include <QtCore/QEventLoop>
#include <QtCore/QVariant>

namespace DATACore {

AnswerWait::AnswerWait(int sid) : m_sid(sid)
{
    EventReceiver::instance()->m_waits.append(this);
}

AnswerWait::~AnswerWait()
{
    EventReceiver* receiver = EventReceiver::instance();
    receiver->m_waits.removeOne(this);
    if (m_timerId != -1)
        receiver->killTimer(m_timerId);
}

void AnswerWait::exec()
{
    EventReceiver* receiver = EventReceiver::instance();
    // Kept for applications that watch the result object during a wait.
    UserDataCache::instance()->dataObj().setProperty("result", QVariant(false));
    receiver->m_time_out = false;
    if (m_state != Waiting)
        return;
    m_timerId = receiver->startTimer(EventReceiver::kTimeOutMs, Qt::CoarseTimer);
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    // Only the application going down quits the loop before our own end; its
    // loops would not run again, so this wait ends unanswered.
    if (m_state == Waiting)
        finish(TimedOut);
}

void AnswerWait::finish(State state)
{
    m_state = state;
    if (m_timerId != -1) {
        EventReceiver::instance()->killTimer(m_timerId);
        m_timerId = -1;
    }
    if (m_loop)
        m_loop->quit();
}

} // namespace DATACore
