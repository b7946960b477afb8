// The change feed of the scripted SDK: a test pushes the changes another
// session made, and they reach the registered sink on a thread of the SDK's
// own, as the real feed delivers them. Linked only into the tests that use it,
// so every other test runs against an SDK without the feed.
#ifndef SCRIPTEDFEED_H
#define SCRIPTEDFEED_H

#include "BizOrsaChangeFeed.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QMutex>

// One change as the server would deliver it.
struct FeedChange {
    int kind = 0;
    int operation = 0;
    QByteArray record; // the SDK record's bytes
    bool own = false;
    bool cascaded = false;

    template <typename Tab>
    static FeedChange of(int kind, int operation, const Tab& record)
    {
        FeedChange c;
        c.kind = kind;
        c.operation = operation;
        c.record = QByteArray(reinterpret_cast<const char*>(&record), int(sizeof record));
        return c;
    }
    FeedChange& ownChange()
    {
        own = true;
        return *this;
    }
    FeedChange& cascade()
    {
        cascaded = true;
        return *this;
    }
};

class ScriptedFeed : public IBizOrsaChangeFeed
{
public:
    // The feed of a hub, made on first use; BizOrsaGetChangeFeed hands it out.
    static ScriptedFeed& of(IBizOrsaClient* hub);
    // BizOrsaGetChangeFeed returns null while this is false.
    static bool offered;

    int SetChangeSink(IBizOrsaChangeSink* sink) override;
    long long LastRevision() override;

    // Every sink registered, in order (null for a stop).
    QList<IBizOrsaChangeSink*> sinks() const;
    // Delivers the changes in order, each with the next revision, on a thread
    // of the SDK's; returns when the sink has had them all. Nothing is
    // delivered while no sink is registered.
    void push(const QList<FeedChange>& changes);
    void pushResync();

private:
    template <typename Deliver>
    void deliver(Deliver&& deliver);

    mutable QMutex m_mutex;
    IBizOrsaChangeSink* m_sink = nullptr;
    QList<IBizOrsaChangeSink*> m_sinks;
    long long m_revision = 0;
};

#endif // SCRIPTEDFEED_H
