#include "RecordingSink.h"

#include <chrono>

void RecordingSink::attach(IBizOrsaClient* hub)
{
    hub->SetAccountEvent(this);
    hub->SetDeviceEvent(this);
    hub->SetViewEvent(this);
    hub->SetRegionEvent(this);
    hub->SetRoleEvent(this);
    hub->SetVideoRegionEvent(this);
    hub->SetAlarmRegionEvent(this);
    hub->SetRolePermissionEvent(this);
    hub->SetServerEvent(this);
}

int RecordingSink::note(const char* name, int sid, int result, const void* records, int count,
                        std::size_t recordSize, bool hasRecords)
{
    Callback c;
    c.name = name;
    c.sid = sid;
    c.result = result;
    c.thread = std::this_thread::get_id();
    c.hasRecords = hasRecords;
    c.count = count;
    if (records && count > 0)
        c.bytes = QByteArray(static_cast<const char*>(records), int(count * recordSize));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.append(c);
    }
    m_arrived.notify_all();
    if (afterEach)
        afterEach(c);
    return 0;
}

Callback RecordingSink::await(int sid, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    Callback found;
    // Bounded so a lost answer fails the test instead of hanging it.
    m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const Callback& c : m_calls) {
            if (c.sid == sid) {
                found = c;
                return true;
            }
        }
        return false;
    });
    return found;
}

QVector<Callback> RecordingSink::all() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}
