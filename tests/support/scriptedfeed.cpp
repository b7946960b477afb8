#include "scriptedfeed.h"

#include <QtCore/QHash>
#include <QtCore/QMutexLocker>

#include <memory>
#include <thread>

bool ScriptedFeed::offered = true;

ScriptedFeed& ScriptedFeed::of(IBizOrsaClient* hub)
{
    static QHash<IBizOrsaClient*, std::shared_ptr<ScriptedFeed>> feeds;
    std::shared_ptr<ScriptedFeed>& feed = feeds[hub];
    if (!feed)
        feed = std::make_shared<ScriptedFeed>();
    return *feed;
}

int ScriptedFeed::SetChangeSink(IBizOrsaChangeSink* sink)
{
    QMutexLocker lock(&m_mutex);
    m_sink = sink;
    m_sinks.append(sink);
    return 0;
}

long long ScriptedFeed::LastRevision()
{
    QMutexLocker lock(&m_mutex);
    return m_revision;
}

QList<IBizOrsaChangeSink*> ScriptedFeed::sinks() const
{
    QMutexLocker lock(&m_mutex);
    return m_sinks;
}

template <typename Deliver>
void ScriptedFeed::deliver(Deliver&& deliver)
{
    // The lock is held while the sink runs, as an SDK keeps its sink until a
    // callback returns.
    std::thread sdkThread([&] {
        QMutexLocker lock(&m_mutex);
        if (m_sink)
            deliver(*m_sink);
    });
    sdkThread.join();
}

void ScriptedFeed::push(const QList<FeedChange>& changes)
{
    deliver([&](IBizOrsaChangeSink& sink) {
        for (const FeedChange& c : changes) {
            const BizOrsaChange change{++m_revision,        c.kind,
                                       c.operation,         c.own ? 1 : 0,
                                       c.cascaded ? 1 : 0,  int(c.record.size()),
                                       c.record.constData()};
            sink.OnChange(&change);
        }
    });
}

void ScriptedFeed::pushResync()
{
    deliver([](IBizOrsaChangeSink& sink) { sink.OnResyncNeeded(); });
}

IBizOrsaChangeFeed* BizOrsaGetChangeFeed(IBizOrsaClient* hub)
{
    return hub && ScriptedFeed::offered ? &ScriptedFeed::of(hub) : nullptr;
}
