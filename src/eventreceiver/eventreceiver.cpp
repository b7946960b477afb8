#include "eventreceiver.h"

#include "answerwait_p.h"
#include "changeevent_p.h"
#include "dispatch_p.h"
#include "orsalog_p.h"
#include "userdatacache.h"

#include <QtCore/QMetaType>
#include <QtCore/QTimerEvent>
#include <QtCore/QVariant>

namespace DATACore {

EventReceiver* EventReceiver::_EventReceiver_instance_ptr = nullptr;

EventReceiver* EventReceiver::instance()
{
    if (!_EventReceiver_instance_ptr)
        _EventReceiver_instance_ptr = new EventReceiver;
    return _EventReceiver_instance_ptr;
}

EventReceiver::EventReceiver(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<QVariant>("QVariant");
}

EventReceiver::~EventReceiver() = default;

void EventReceiver::startTimeOut()
{
    m_time_out = false;
    // An older timer left running would end some later, unrelated wait.
    if (m_timer_id != -1)
        killTimer(m_timer_id);
    m_timer_id = startTimer(kTimeOutMs, Qt::CoarseTimer);
}

bool EventReceiver::timeOutFlag()
{
    return !m_time_out;
}

QString EventReceiver::current_guid()
{
    return m_current_guid;
}

void EventReceiver::setCurrent_guid(const QString& guid)
{
    m_current_guid = guid;
}

void EventReceiver::timerEvent(QTimerEvent* event)
{
    const int timerId = event->timerId();
    killTimer(timerId);
    m_time_out = true;
    if (AnswerWait* wait = waitWithTimer(timerId)) {
        wait->m_timerId = -1;
        wait->finish(AnswerWait::TimedOut);
    }
    emit signal_least_callback_coming();
    if (timerId == m_timer_id)
        m_timer_id = -1;
    qCDebug(lcOrsa) << "account event receiver time out trigger!!";
}

void EventReceiver::customEvent(QEvent* event)
{
    // Only the sinks' callback events are ours, checked by their dynamic type:
    // another event of the same number may come from the application, and
    // reading it as ours would be undefined.
    if (const auto* change = dynamic_cast<const ChangeEvent*>(event)) {
        // Another session's change answers no request: no wait ends on it.
        handleChangeEvent(this, *change);
        return;
    }
    const auto* ev = dynamic_cast<const IAccountCallBackEvent*>(event);
    const CallbackAction* action = ev ? callbackAction(event->type()) : nullptr;
    if (!action) {
        QObject::customEvent(event);
        return;
    }

    if (m_timer_id != -1) {
        killTimer(m_timer_id);
        m_timer_id = -1;
    }
    UserDataCache* cache = UserDataCache::instance();
    QObject& result = cache->dataObj();
    result.setProperty("sid", ev->sid);
    result.setProperty("result", ev->result >= 0);
    qCDebug(lcOrsa) << "call back, sid:" << ev->sid << " result:" << ev->result << "event type"
                    << int(event->type());

    if (action->installList)
        action->installList(cache, *ev);
    if (action->publishesGuid)
        result.setProperty("guid", ev->guid);
    if (action->signal)
        (this->*action->signal)(action->operatorType, ev->sid, ev->result);
    if (AnswerWait* wait = waitFor(ev->sid)) {
        wait->m_answer = std::make_shared<const IAccountCallBackEvent>(*ev);
        wait->finish(AnswerWait::Answered);
    }
    emit signal_least_callback_coming();
}

AnswerWait* EventReceiver::waitFor(int sid) const
{
    for (auto it = m_waits.crbegin(); it != m_waits.crend(); ++it) {
        if ((*it)->sid() == sid && (*it)->state() == AnswerWait::Waiting)
            return *it;
    }
    return nullptr;
}

AnswerWait* EventReceiver::waitWithTimer(int timerId) const
{
    for (AnswerWait* wait : m_waits) {
        if (wait->m_timerId == timerId)
            return wait;
    }
    return nullptr;
}

} // namespace DATACore
