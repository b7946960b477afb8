#include "eventreceiver.h"

#include "dispatch_p.h"
#include "orsalog_p.h"
#include "userdatacache.h"

#include <QtCore/QMetaType>
#include <QtCore/QTimerEvent>
#include <QtCore/QVariant>

namespace DATACore {

namespace {
constexpr int kTimeOutMs = 15000;
}

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
    killTimer(event->timerId());
    m_time_out = true;
    emit signal_least_callback_coming();
    m_timer_id = -1;
    qCDebug(lcOrsa) << "account event receiver time out trigger!!";
}

void EventReceiver::customEvent(QEvent* event)
{
    // Only the sinks' callback events are ours. Anything else is left alone
    // entirely: reading it as a callback event would be undefined, and
    // stopping the time-out for it would leave the running wait without end.
    const CallbackAction* action = callbackAction(event->type());
    if (!action)
        return;
    const auto* ev = static_cast<const IAccountCallBackEvent*>(event);

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
    emit signal_least_callback_coming();
}

} // namespace DATACore
