#include "RecordingChangeSink.h"

#include <chrono>

bool RecordingChangeSink::attach(IBizOrsaClient* hub)
{
    IBizOrsaChangeFeed* feed = BizOrsaGetChangeFeed(hub);
    return feed && feed->SetChangeSink(this) == 0;
}

void RecordingChangeSink::OnChange(const BizOrsaChange* change)
{
    SeenChange seen;
    seen.revision = change->revision;
    seen.kind = change->kind;
    seen.operation = change->operation;
    seen.own = change->own != 0;
    seen.cascaded = change->cascaded != 0;
    seen.record = QByteArray(static_cast<const char*>(change->record), change->recordSize);
    add(seen);
}

void RecordingChangeSink::OnResyncNeeded()
{
    SeenChange seen;
    seen.resync = true;
    add(seen);
}

void RecordingChangeSink::add(SeenChange seen)
{
    seen.thread = std::this_thread::get_id();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(std::move(seen));
    }
    m_arrived.notify_all();
}

QVector<SeenChange> RecordingChangeSink::await(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [&] { return m_seen.size() >= count; });
    return m_seen;
}

QVector<SeenChange> RecordingChangeSink::all() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}
