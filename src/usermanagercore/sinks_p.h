// The nine callback sinks registered with the SDK. A sink only converts the
// SDK's records and posts one IAccountCallBackEvent per callback to its
// target; everything else happens on the target's thread.
#ifndef SINKS_P_H
#define SINKS_P_H

#include "BizOrsaClientLib.h"

#include <QtCore/QObject>

#include <atomic>

namespace DATACore {

// The object a sink posts to. It is replaced at every export while SDK
// threads may be delivering, hence atomic.
class SinkTarget
{
public:
    void set(QObject* target) { m_target.store(target, std::memory_order_release); }
    QObject* get() const { return m_target.load(std::memory_order_acquire); }

private:
    std::atomic<QObject*> m_target{nullptr};
};

// What every sink class has besides its callbacks: the process-wide instance
// (never freed) and the target.
#define ORSA_SINK_COMMON(Class)                                                                    \
public:                                                                                            \
    static Class* instance();                                                                      \
    void setTarget(QObject* target)                                                                \
    {                                                                                              \
        m_target.set(target);                                                                      \
    }                                                                                              \
    QObject* target() const                                                                        \
    {                                                                                              \
        return m_target.get();                                                                     \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    SinkTarget m_target;                                                                           \
                                                                                                   \
public:

class IAccountEvent : public IBizOrsaAccountEvent
{
    ORSA_SINK_COMMON(IAccountEvent)
    int OnAccountAdd(int sid, int result) override;
    int OnAccountEdit(int sid, int result) override;
    int OnAccountDelete(int sid, int result) override;
    int OnAccountGet(int sid, int result, const tabACCOUNT* p, int count) override;
    int OnAccountLogin(int sid, int result) override;
    int OnAccountLogout(int sid, int result) override;
};

class IDeviceEvent : public IBizOrsaDeviceEvent
{
    ORSA_SINK_COMMON(IDeviceEvent)
    int OnDeviceAdd(int sid, int result, const tabDEVICEINFO* p) override;
    int OnDeviceEdit(int sid, int result) override;
    int OnDeviceDelete(int sid, int result) override;
    int OnDeviceGet(int sid, int result, const tabDEVICEINFO* p, int count) override;
    int OnDeviceChannelGet(int sid, int result, const tabCHANNELINFO* p, int count) override;
};

class IviewEvent : public IBizOrsaViewEvent
{
    ORSA_SINK_COMMON(IviewEvent)
    int OnViewAdd(int sid, int result, const tabVIEWINFO* p) override;
    int OnViewEdit(int sid, int result) override;
    int OnViewDelete(int sid, int result) override;
    int OnViewGet(int sid, int result, const tabVIEWINFO* p, int count) override;
    int OnViewChannelAdd(int sid, int result, const tabVIEWCHANNELINFO* p) override;
    int OnViewChannelEdit(int sid, int result) override;
    int OnViewChannelDelete(int sid, int result) override;
    int OnViewChannelGet(int sid, int result, const tabVIEWCHANNELINFO* p, int count) override;
};

class IRegionEvent : public IBizOrsaRegionEvent
{
    ORSA_SINK_COMMON(IRegionEvent)
    int OnRegionAdd(int sid, int result, const tabREGIONINFO* p) override;
    int OnRegionEdit(int sid, int result) override;
    int OnRegionDelete(int sid, int result) override;
    int OnRegionGet(int sid, int result, const tabREGIONINFO* p, int count) override;
    int OnRegionChannelAdd(int sid, int result, const tabREGIONCHANNELINFO* p) override;
    int OnRegionChannelEdit(int sid, int result) override;
    int OnRegionChannelDelete(int sid, int result) override;
    int OnRegionChannelGet(int sid, int result, const tabREGIONCHANNELINFO* p, int count) override;
};

class IRoleEvent : public IBizOrsaRoleEvent
{
    ORSA_SINK_COMMON(IRoleEvent)
    int OnRoleAdd(int sid, int result, const tabROLEINFO* p) override;
    int OnRoleEdit(int sid, int result) override;
    int OnRoleDelete(int sid, int result) override;
    int OnRoleGet(int sid, int result, const tabROLEINFO* p, int count) override;
};

class IRegionRoleEvent : public IBizOrsaVideoRegionEvent
{
    ORSA_SINK_COMMON(IRegionRoleEvent)
    int OnVideoRegionAdd(int sid, int result, const tabVIDEOREGIONINFO* p) override;
    int OnVideoRegionDelete(int sid, int result) override;
    int OnVideoRegionGet(int sid, int result, const tabVIDEOREGIONINFO* p, int count) override;
};

class IAlarmRoleEvent : public IBizOrsaAlarmRegionEvent
{
    ORSA_SINK_COMMON(IAlarmRoleEvent)
    int OnAlarmRegionAdd(int sid, int result, const tabALARMREGIONINFO* p) override;
    int OnAlarmRegionDelete(int sid, int result) override;
    int OnAlarmRegionGet(int sid, int result, const tabALARMREGIONINFO* p, int count) override;
};

class IServerEvent : public IBizOrsaServerEvent
{
    ORSA_SINK_COMMON(IServerEvent)
    int OnServerAdd(int sid, int result, const tabSERVERINFO* p) override;
    int OnServerEdit(int sid, int result) override;
    int OnServerDelete(int sid, int result) override;
    int OnServerGet(int sid, int result, const tabSERVERINFO* p, int count) override;
};

class IRolePermissionEvent : public IBizOrsaRolePermissionEvent
{
    ORSA_SINK_COMMON(IRolePermissionEvent)
    int OnRolePermissionAdd(int sid, int result, const tabROLEPERMISSIONINFO* p) override;
    int OnRolePermissionDelete(int sid, int result) override;
    int OnRolePermissionGet(int sid, int result, const tabROLEPERMISSIONINFO* p,
                            int count) override;
};

#undef ORSA_SINK_COMMON

} // namespace DATACore

#endif // SINKS_P_H
