// Records every change a hub's feed delivers, with its thread and a copy of
// its record, so tests can wait for changes and look at them from the test's
// thread.
#ifndef RECORDINGCHANGESINK_H
#define RECORDINGCHANGESINK_H

#include "BizOrsaChangeFeed.h"

#include <QByteArray>
#include <QVector>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

struct SeenChange {
    long long revision = 0;
    int kind = 0;
    int operation = 0;
    bool own = false;
    bool cascaded = false;
    bool resync = false; // an OnResyncNeeded in the stream
    std::thread::id thread;
    QByteArray record;
    template <class Rec>
    Rec as() const
    {
        Rec r{};
        if (record.size() == int(sizeof(Rec)))
            std::memcpy(&r, record.constData(), sizeof(Rec));
        return r;
    }
};

class RecordingChangeSink final : public IBizOrsaChangeSink
{
public:
    RecordingChangeSink() = default;
    RecordingChangeSink(const RecordingChangeSink&) = delete;
    RecordingChangeSink& operator=(const RecordingChangeSink&) = delete;

    // Registers with the hub's feed; false when the hub has none.
    bool attach(IBizOrsaClient* hub);
    void OnChange(const BizOrsaChange* change) override;
    void OnResyncNeeded() override;

    // Waits until at least count entries came; all of them either way.
    QVector<SeenChange> await(int count, int timeoutMs = 20000);
    QVector<SeenChange> all() const;

private:
    void add(SeenChange seen);

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    QVector<SeenChange> m_seen;
};

#endif // RECORDINGCHANGESINK_H
