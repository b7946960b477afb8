#include "sinks_p.h"

#include "callbackevent_p.h"
#include "orsalog_p.h"
#include "recordconversion_p.h"

#include <QtCore/QCoreApplication>

namespace DATACore {
namespace {

using Event = IAccountCallBackEvent;

template <typename Sink>
Sink* sinkInstance()
{
    static Sink* const sink = new Sink;
    return sink;
}

Event* newEvent(int type, int sid, int result)
{
    auto* ev = new Event(static_cast<QEvent::Type>(type));
    ev->sid = sid;
    ev->result = result;
    return ev;
}

int post(QObject* target, Event* ev)
{
    if (target)
        QCoreApplication::postEvent(target, ev, Qt::LowEventPriority);
    else
        delete ev; // registered but never exported to an owner: nobody to tell
    return 0;
}

int postPlain(QObject* target, int type, int sid, int result)
{
    return post(target, newEvent(type, sid, result));
}

template <typename Tab>
auto localRecord(const Tab& r)
{
    return fromSdk(r, decodeLocal8Bit);
}

// A fetch answer: count records of the SDK's array become the event's list.
// The array is read only for a success and a non-null pointer.
template <typename Tab, typename Rec, typename Convert>
int postFetch(QObject* target, int type, int sid, int result, const Tab* p, int count,
              QList<Rec> Event::*list, Convert convert)
{
    Event* ev = newEvent(type, sid, result);
    if (result >= 0 && p && count > 0) {
        QList<Rec>& out = ev->*list;
        out.reserve(count);
        for (int i = 0; i < count; ++i)
            out.append(convert(p[i]));
    }
    return post(target, ev);
}

template <typename Tab, typename Rec>
int postFetch(QObject* target, int type, int sid, int result, const Tab* p, int count,
              QList<Rec> Event::*list)
{
    return postFetch(target, type, sid, result, p, count, list, localRecord<Tab>);
}

// An add answer: fill(ev, record) copies what the event carries. A success
// without a record posts the defaults.
template <typename Tab, typename Fill>
int postAdd(QObject* target, int type, int sid, int result, const Tab* p, Fill fill)
{
    Event* ev = newEvent(type, sid, result);
    if (result >= 0 && p)
        fill(*ev, *p);
    return post(target, ev);
}

} // namespace

IAccountEvent* IAccountEvent::instance()
{
    return sinkInstance<IAccountEvent>();
}
IDeviceEvent* IDeviceEvent::instance()
{
    return sinkInstance<IDeviceEvent>();
}
IviewEvent* IviewEvent::instance()
{
    return sinkInstance<IviewEvent>();
}
IRegionEvent* IRegionEvent::instance()
{
    return sinkInstance<IRegionEvent>();
}
IRoleEvent* IRoleEvent::instance()
{
    return sinkInstance<IRoleEvent>();
}
IRegionRoleEvent* IRegionRoleEvent::instance()
{
    return sinkInstance<IRegionRoleEvent>();
}
IAlarmRoleEvent* IAlarmRoleEvent::instance()
{
    return sinkInstance<IAlarmRoleEvent>();
}
IServerEvent* IServerEvent::instance()
{
    return sinkInstance<IServerEvent>();
}
IRolePermissionEvent* IRolePermissionEvent::instance()
{
    return sinkInstance<IRolePermissionEvent>();
}

// ---- Accounts ----------------------------------------------------------------

int IAccountEvent::OnAccountAdd(int sid, int result)
{
    return postPlain(target(), EvAccountAdd, sid, result);
}
int IAccountEvent::OnAccountEdit(int sid, int result)
{
    return postPlain(target(), EvAccountEdit, sid, result);
}
int IAccountEvent::OnAccountDelete(int sid, int result)
{
    return postPlain(target(), EvAccountDelete, sid, result);
}
int IAccountEvent::OnAccountGet(int sid, int result, const tabACCOUNT* p, int count)
{
    qCDebug(lcOrsa) << "hi,father,1";
    return postFetch(target(), EvAccountGet, sid, result, p, count, &Event::accounts);
}
int IAccountEvent::OnAccountLogin(int sid, int result)
{
    return postPlain(target(), EvAccountLogin, sid, result);
}
int IAccountEvent::OnAccountLogout(int sid, int result)
{
    return postPlain(target(), EvAccountLogout, sid, result);
}

// ---- Devices -----------------------------------------------------------------

int IDeviceEvent::OnDeviceAdd(int sid, int result, const tabDEVICEINFO* p)
{
    return postAdd(target(), EvDeviceAdd, sid, result, p, [](Event& ev, const tabDEVICEINFO& r) {
        ev.device = fromSdk(r, decodeUtf8);
        ev.guid = ev.device.guid;
    });
}
int IDeviceEvent::OnDeviceEdit(int sid, int result)
{
    return postPlain(target(), EvDeviceEdit, sid, result);
}
int IDeviceEvent::OnDeviceDelete(int sid, int result)
{
    qCDebug(lcOrsa) << "get device delete~~~~~~~~~~~~~~~~~~~";
    return postPlain(target(), EvDeviceDelete, sid, result);
}
int IDeviceEvent::OnDeviceGet(int sid, int result, const tabDEVICEINFO* p, int count)
{
    return postFetch(target(), EvDeviceGet, sid, result, p, count, &Event::devices);
}
int IDeviceEvent::OnDeviceChannelGet(int sid, int result, const tabCHANNELINFO* p, int count)
{
    return postFetch(target(), EvDeviceChannelGet, sid, result, p, count, &Event::deviceChannels);
}

// ---- Views -------------------------------------------------------------------

int IviewEvent::OnViewAdd(int sid, int result, const tabVIEWINFO* p)
{
    return postAdd(target(), EvViewAdd, sid, result, p, [](Event& ev, const tabVIEWINFO& r) {
        ev.view = fromSdk(r, decodeUtf8);
        ev.guid = ev.view.guid;
    });
}
int IviewEvent::OnViewEdit(int sid, int result)
{
    return postPlain(target(), EvViewEdit, sid, result);
}
int IviewEvent::OnViewDelete(int sid, int result)
{
    return postPlain(target(), EvViewDelete, sid, result);
}
int IviewEvent::OnViewGet(int sid, int result, const tabVIEWINFO* p, int count)
{
    return postFetch(target(), EvViewGet, sid, result, p, count, &Event::views);
}
int IviewEvent::OnViewChannelAdd(int sid, int result, const tabVIEWCHANNELINFO* p)
{
    return postAdd(target(), EvViewChannelAdd, sid, result, p,
                   [](Event& ev, const tabVIEWCHANNELINFO& r) {
                       ev.viewChannel = fromSdk(r, decodeLocal8Bit, decodeLocal8Bit);
                   });
}
int IviewEvent::OnViewChannelEdit(int sid, int result)
{
    return postPlain(target(), EvViewChannelEdit, sid, result);
}
int IviewEvent::OnViewChannelDelete(int sid, int result)
{
    return postPlain(target(), EvViewChannelDelete, sid, result);
}
int IviewEvent::OnViewChannelGet(int sid, int result, const tabVIEWCHANNELINFO* p, int count)
{
    return postFetch(
        target(), EvViewChannelGet, sid, result, p, count, &Event::viewChannels,
        [](const tabVIEWCHANNELINFO& r) { return fromSdk(r, decodeLocal8Bit, decodeUtf8); });
}

// ---- Regions -----------------------------------------------------------------

int IRegionEvent::OnRegionAdd(int sid, int result, const tabREGIONINFO* p)
{
    return postAdd(target(), EvRegionAdd, sid, result, p, [](Event& ev, const tabREGIONINFO& r) {
        ev.region = fromSdk(r, decodeUtf8);
        ev.guid = ev.region.guid;
    });
}
int IRegionEvent::OnRegionEdit(int sid, int result)
{
    return postPlain(target(), EvRegionEdit, sid, result);
}
int IRegionEvent::OnRegionDelete(int sid, int result)
{
    return postPlain(target(), EvRegionDelete, sid, result);
}
int IRegionEvent::OnRegionGet(int sid, int result, const tabREGIONINFO* p, int count)
{
    return postFetch(target(), EvRegionGet, sid, result, p, count, &Event::regions);
}
int IRegionEvent::OnRegionChannelAdd(int sid, int result, const tabREGIONCHANNELINFO* p)
{
    return postAdd(target(), EvRegionChannelAdd, sid, result, p,
                   [](Event& ev, const tabREGIONCHANNELINFO& r) {
                       ev.regionChannel = fromSdk(r, decodeLocal8Bit);
                   });
}
int IRegionEvent::OnRegionChannelEdit(int sid, int result)
{
    return postPlain(target(), EvRegionChannelEdit, sid, result);
}
int IRegionEvent::OnRegionChannelDelete(int sid, int result)
{
    return postPlain(target(), EvRegionChannelDelete, sid, result);
}
int IRegionEvent::OnRegionChannelGet(int sid, int result, const tabREGIONCHANNELINFO* p, int count)
{
    return postFetch(target(), EvRegionChannelGet, sid, result, p, count, &Event::regionChannels);
}

// ---- Roles -------------------------------------------------------------------

int IRoleEvent::OnRoleAdd(int sid, int result, const tabROLEINFO* p)
{
    return postAdd(target(), EvRoleAdd, sid, result, p, [](Event& ev, const tabROLEINFO& r) {
        ev.role = fromSdk(r, decodeUtf8);
        ev.guid = ev.role.guid;
    });
}
int IRoleEvent::OnRoleEdit(int sid, int result)
{
    return postPlain(target(), EvRoleEdit, sid, result);
}
int IRoleEvent::OnRoleDelete(int sid, int result)
{
    return postPlain(target(), EvRoleDelete, sid, result);
}
int IRoleEvent::OnRoleGet(int sid, int result, const tabROLEINFO* p, int count)
{
    qCDebug(lcOrsa) << "role list arrived";
    return postFetch(target(), EvRoleGet, sid, result, p, count, &Event::roles);
}

// ---- Video and alarm grants --------------------------------------------------

int IRegionRoleEvent::OnVideoRegionAdd(int sid, int result, const tabVIDEOREGIONINFO* p)
{
    qCDebug(lcOrsa) << "OnVideoRegionAdd";
    return postAdd(target(), EvVideoRegionAdd, sid, result, p,
                   [](Event& ev, const tabVIDEOREGIONINFO& r) {
                       ev.guid = fieldText(r.regionGuid, decodeUtf8);
                   });
}
int IRegionRoleEvent::OnVideoRegionDelete(int sid, int result)
{
    return postPlain(target(), EvVideoRegionDelete, sid, result);
}
int IRegionRoleEvent::OnVideoRegionGet(int sid, int result, const tabVIDEOREGIONINFO* p, int count)
{
    qCDebug(lcOrsa) << "OnVideoRegionGet";
    return postFetch(target(), EvVideoRegionGet, sid, result, p, count, &Event::roleRegions);
}

int IAlarmRoleEvent::OnAlarmRegionAdd(int sid, int result, const tabALARMREGIONINFO* p)
{
    return postAdd(target(), EvAlarmRegionAdd, sid, result, p,
                   [](Event& ev, const tabALARMREGIONINFO& r) {
                       ev.guid = fieldText(r.regionGuid, decodeUtf8);
                   });
}
int IAlarmRoleEvent::OnAlarmRegionDelete(int sid, int result)
{
    return postPlain(target(), EvAlarmRegionDelete, sid, result);
}
int IAlarmRoleEvent::OnAlarmRegionGet(int sid, int result, const tabALARMREGIONINFO* p, int count)
{
    return postFetch(target(), EvAlarmRegionGet, sid, result, p, count, &Event::regionAlarms);
}

// ---- Servers -----------------------------------------------------------------

int IServerEvent::OnServerAdd(int sid, int result, const tabSERVERINFO* p)
{
    return postAdd(target(), EvServerAdd, sid, result, p, [](Event& ev, const tabSERVERINFO& r) {
        // An added server's login is not reported back.
        ev.server.guid = fieldText(r.guid, decodeUtf8);
        ev.server.name = fieldText(r.name, decodeUtf8);
        ev.server.ip = fieldText(r.ip, decodeUtf8);
        ev.server.port = r.port;
        ev.server.type = r.type;
        ev.guid = ev.server.guid;
    });
}
int IServerEvent::OnServerEdit(int sid, int result)
{
    return postPlain(target(), EvServerEdit, sid, result);
}
int IServerEvent::OnServerDelete(int sid, int result)
{
    return postPlain(target(), EvServerDelete, sid, result);
}
int IServerEvent::OnServerGet(int sid, int result, const tabSERVERINFO* p, int count)
{
    return postFetch(target(), EvServerGet, sid, result, p, count, &Event::servers);
}

// ---- Role permissions --------------------------------------------------------

int IRolePermissionEvent::OnRolePermissionAdd(int sid, int result, const tabROLEPERMISSIONINFO* p)
{
    return postAdd(
        target(), EvRolePermissionAdd, sid, result, p,
        [](Event& ev, const tabROLEPERMISSIONINFO& r) { ev.guid = fieldText(r.guid, decodeUtf8); });
}
int IRolePermissionEvent::OnRolePermissionDelete(int sid, int result)
{
    return postPlain(target(), EvRolePermissionDelete, sid, result);
}
int IRolePermissionEvent::OnRolePermissionGet(int sid, int result, const tabROLEPERMISSIONINFO* p,
                                              int count)
{
    return postFetch(target(), EvRolePermissionGet, sid, result, p, count, &Event::rolePermissions);
}

} // namespace DATACore
