#include "Subscribers.h"

namespace orsad {

void Subscribers::add(const void* key, std::shared_ptr<orsa::Session> session,
                      std::int64_t position, Deliver deliver)
{
    m_entries[key] = Entry{std::move(session), position, std::move(deliver)};
}

void Subscribers::remove(const void* key)
{
    m_entries.erase(key);
}

void Subscribers::publish(orsa::Service& service)
{
    for (auto& entry : m_entries) {
        Entry& e = entry.second;
        const orsa::FeedBatch batch = service.feed(*e.session, e.position);
        std::vector<std::string> frames;
        if (batch.resyncNeeded)
            frames.push_back(orsa::encodeResyncNeeded());
        for (const orsa::PushedChange& change : batch.changes)
            frames.push_back(orsa::encodePush(change));
        if (!frames.empty())
            e.deliver(std::move(frames));
    }
}

} // namespace orsad
