// Records every callback of a hub with its thread and a copy of its records,
// so tests can wait for an answer and look at it from the test's thread.
#ifndef RECORDINGSINK_H
#define RECORDINGSINK_H

#include "BizOrsaClientLib.h"

#include <QByteArray>
#include <QVector>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

struct Callback {
    QByteArray name; // empty: no callback arrived
    int sid = 0;
    int result = 0;
    std::thread::id thread;
    bool hasRecords = false; // add and fetch callbacks
    int count = 0;
    QByteArray bytes; // the records exactly as handed over

    template <class Rec>
    Rec record(int i = 0) const
    {
        Rec r{};
        if (bytes.size() >= int((i + 1) * sizeof(Rec)))
            std::memcpy(&r, bytes.constData() + i * sizeof(Rec), sizeof(Rec));
        return r;
    }
};

class RecordingSink final : public IBizOrsaAccountEvent,
                            public IBizOrsaDeviceEvent,
                            public IBizOrsaViewEvent,
                            public IBizOrsaRegionEvent,
                            public IBizOrsaRoleEvent,
                            public IBizOrsaVideoRegionEvent,
                            public IBizOrsaAlarmRegionEvent,
                            public IBizOrsaServerEvent,
                            public IBizOrsaRolePermissionEvent
{
public:
    RecordingSink() = default;
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    // Registers this sink for all nine callback interfaces of hub.
    void attach(IBizOrsaClient* hub);
    // The callback answering sid; an empty name when none came in time.
    Callback await(int sid, int timeoutMs = 20000);
    QVector<Callback> all() const;
    // Runs on the SDK's thread after each callback has been recorded.
    std::function<void(const Callback&)> afterEach;

#define PLAIN(Name)                                                                                \
    int Name(int sid, int result) override                                                         \
    {                                                                                              \
        return note(#Name, sid, result, nullptr, 0, 0, false);                                     \
    }
#define ADD(Name, Rec)                                                                             \
    int Name(int sid, int result, const Rec* p) override                                           \
    {                                                                                              \
        return note(#Name, sid, result, p, p ? 1 : 0, sizeof(Rec), true);                          \
    }
#define FETCH(Name, Rec)                                                                           \
    int Name(int sid, int result, const Rec* p, int count) override                                \
    {                                                                                              \
        return note(#Name, sid, result, p, count, sizeof(Rec), true);                              \
    }
    PLAIN(OnAccountAdd)
    PLAIN(OnAccountEdit)
    PLAIN(OnAccountDelete)
    FETCH(OnAccountGet, tabACCOUNT)
    PLAIN(OnAccountLogin)
    PLAIN(OnAccountLogout)
    ADD(OnDeviceAdd, tabDEVICEINFO)
    PLAIN(OnDeviceEdit)
    PLAIN(OnDeviceDelete)
    FETCH(OnDeviceGet, tabDEVICEINFO)
    FETCH(OnDeviceChannelGet, tabCHANNELINFO)
    ADD(OnViewAdd, tabVIEWINFO)
    PLAIN(OnViewEdit)
    PLAIN(OnViewDelete)
    FETCH(OnViewGet, tabVIEWINFO)
    ADD(OnViewChannelAdd, tabVIEWCHANNELINFO)
    PLAIN(OnViewChannelEdit)
    PLAIN(OnViewChannelDelete)
    FETCH(OnViewChannelGet, tabVIEWCHANNELINFO)
    ADD(OnRegionAdd, tabREGIONINFO)
    PLAIN(OnRegionEdit)
    PLAIN(OnRegionDelete)
    FETCH(OnRegionGet, tabREGIONINFO)
    ADD(OnRegionChannelAdd, tabREGIONCHANNELINFO)
    PLAIN(OnRegionChannelEdit)
    PLAIN(OnRegionChannelDelete)
    FETCH(OnRegionChannelGet, tabREGIONCHANNELINFO)
    ADD(OnRoleAdd, tabROLEINFO)
    PLAIN(OnRoleEdit)
    PLAIN(OnRoleDelete)
    FETCH(OnRoleGet, tabROLEINFO)
    ADD(OnVideoRegionAdd, tabVIDEOREGIONINFO)
    PLAIN(OnVideoRegionDelete)
    FETCH(OnVideoRegionGet, tabVIDEOREGIONINFO)
    ADD(OnAlarmRegionAdd, tabALARMREGIONINFO)
    PLAIN(OnAlarmRegionDelete)
    FETCH(OnAlarmRegionGet, tabALARMREGIONINFO)
    ADD(OnServerAdd, tabSERVERINFO)
    PLAIN(OnServerEdit)
    PLAIN(OnServerDelete)
    FETCH(OnServerGet, tabSERVERINFO)
    ADD(OnRolePermissionAdd, tabROLEPERMISSIONINFO)
    PLAIN(OnRolePermissionDelete)
    FETCH(OnRolePermissionGet, tabROLEPERMISSIONINFO)
#undef PLAIN
#undef ADD
#undef FETCH

private:
    int note(const char* name, int sid, int result, const void* records, int count,
             std::size_t recordSize, bool hasRecords);

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    QVector<Callback> m_calls;
};

#endif // RECORDINGSINK_H
