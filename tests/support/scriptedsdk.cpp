#include "scriptedsdk.h"

#include "eventreceiver.h"

#include <QTextCodec>
#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QCoreApplication>
#include <QtCore/QMutexLocker>
#include <QtCore/QTimer>
#include <QtCore/QTimerEvent>

#include <cstring>
#include <utility>

namespace {

// The first record of a reply, or null when it carries none.
template <typename Tab>
const Tab* first(const Reply& r)
{
    return r.records.isEmpty() ? nullptr : reinterpret_cast<const Tab*>(r.records.constData());
}

} // namespace

void fireTimeOutDuringNextWait()
{
    QTimer::singleShot(0, [] {
        QObject* receiver = DATACore::EventReceiver::instance();
        const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(receiver);
        for (const auto& timer : timers) {
            QTimerEvent event(timer.timerId);
            QCoreApplication::sendEvent(receiver, &event);
        }
    });
}

bool receiverTimerRuns()
{
    QObject* receiver = DATACore::EventReceiver::instance();
    return !QAbstractEventDispatcher::instance()->registeredTimers(receiver).isEmpty();
}

// As an SDK in the same process reads the texts: in the locale's encoding,
// also one the application set.
QString sdkText(const char* text)
{
    return text ? QTextCodec::codecForLocale()->toUnicode(text) : QStringLiteral("<null>");
}
QString sdkNumber(int number)
{
    return QString::number(number);
}

ScriptedSdk& ScriptedSdk::current()
{
    static ScriptedSdk sdk;
    return sdk;
}

ScriptedSdk::~ScriptedSdk()
{
    joinThreads();
}

void ScriptedSdk::reset()
{
    joinThreads();
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
    m_scripts.clear();
    m_held.clear();
    createFails = false;
    nullInterface.clear();
    nextHub = nullptr;
    onRequest = nullptr;
}

void ScriptedSdk::script(const QString& op, const Reply& reply)
{
    QMutexLocker lock(&m_mutex);
    m_scripts[op].enqueue(reply);
}

QList<SdkCall> ScriptedSdk::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

namespace {
bool isHubCall(const QString& op)
{
    return (op.startsWith(QLatin1String("Get")) && op.endsWith(QLatin1String("Interface"))) ||
           op.startsWith(QLatin1String("Set")) || op == QLatin1String("CreateOrsa") ||
           op == QLatin1String("DestroyOrsa");
}
} // namespace

QList<SdkCall> ScriptedSdk::requests() const
{
    QList<SdkCall> requests;
    for (const SdkCall& call : calls()) {
        if (!isHubCall(call.op))
            requests << call;
    }
    return requests;
}

QStringList ScriptedSdk::callNames(bool requestsOnly) const
{
    QStringList names;
    for (const SdkCall& call : requestsOnly ? requests() : calls())
        names << call.op;
    return names;
}

void ScriptedSdk::joinThreads()
{
    std::vector<std::thread> threads;
    {
        QMutexLocker lock(&m_mutex);
        threads.swap(m_threads);
    }
    for (std::thread& t : threads)
        t.join();
}

void ScriptedSdk::releaseHeld()
{
    QList<std::function<void()>> held;
    {
        QMutexLocker lock(&m_mutex);
        held.swap(m_held);
    }
    for (const auto& deliver : held)
        deliver();
}

void ScriptedSdk::setText(char* field, std::size_t size, const QByteArray& text)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.constData(), std::min<std::size_t>(size, text.size()));
}

void ScriptedSdk::note(const QString& op, const QStringList& args)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append({op, args});
}

int ScriptedSdk::request(const char* op, const QStringList& args, Deliver deliver)
{
    Reply reply;
    int sid;
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({QString::fromLatin1(op), args});
        QQueue<Reply>& queue = m_scripts[QString::fromLatin1(op)];
        if (!queue.isEmpty())
            reply = queue.dequeue();
        sid = reply.sid != -2 ? reply.sid : m_nextSid++;
    }
    if (onRequest)
        onRequest(SdkCall{QString::fromLatin1(op), args});
    if (reply.mode == Reply::Refuse)
        return sid;
    if (reply.firesTimeOut)
        fireTimeOutDuringNextWait();
    if (reply.mode == Reply::Held) {
        QMutexLocker lock(&m_mutex);
        m_held.append([deliver, sid, reply] { deliver(sid, reply); });
    }
    if (reply.mode == Reply::Answer) {
        if (reply.fromThread) {
            QMutexLocker lock(&m_mutex);
            m_threads.emplace_back([deliver, sid, reply] { deliver(sid, reply); });
        } else {
            deliver(sid, reply);
        }
    }
    return sid;
}

template <typename I>
I* ScriptedSdk::give(const char* op, I* iface)
{
    note(QString::fromLatin1(op));
    return nullInterface == QLatin1String(op) ? nullptr : iface;
}

// ---- Hub -----------------------------------------------------------------------

IBizOrsaAccount* ScriptedSdk::GetAccountInterface()
{
    return give("GetAccountInterface", static_cast<IBizOrsaAccount*>(this));
}
IBizOrsaDevice* ScriptedSdk::GetDeviceInterface()
{
    return give("GetDeviceInterface", static_cast<IBizOrsaDevice*>(this));
}
IBizOrsaView* ScriptedSdk::GetViewInterface()
{
    return give("GetViewInterface", static_cast<IBizOrsaView*>(this));
}
IBizOrsaRegion* ScriptedSdk::GetRegionInterface()
{
    return give("GetRegionInterface", static_cast<IBizOrsaRegion*>(this));
}
IBizOrsaRole* ScriptedSdk::GetRoleInterface()
{
    return give("GetRoleInterface", static_cast<IBizOrsaRole*>(this));
}
IBizOrsaVideoRegion* ScriptedSdk::GetVideoRegionInterface()
{
    return give("GetVideoRegionInterface", static_cast<IBizOrsaVideoRegion*>(this));
}
IBizOrsaAlarmRegion* ScriptedSdk::GetAlarmRegionInterface()
{
    return give("GetAlarmRegionInterface", static_cast<IBizOrsaAlarmRegion*>(this));
}
IBizOrsaRolePermission* ScriptedSdk::GetRolePermissionInterface()
{
    return give("GetRolePermissionInterface", static_cast<IBizOrsaRolePermission*>(this));
}
IBizOrsaServer* ScriptedSdk::GetServerInterface()
{
    return give("GetServerInterface", static_cast<IBizOrsaServer*>(this));
}

int ScriptedSdk::SetAccountEvent(IBizOrsaAccountEvent* sink)
{
    note(QStringLiteral("SetAccountEvent"));
    accountSink = sink;
    return 0;
}
int ScriptedSdk::SetDeviceEvent(IBizOrsaDeviceEvent* sink)
{
    note(QStringLiteral("SetDeviceEvent"));
    deviceSink = sink;
    return 0;
}
int ScriptedSdk::SetViewEvent(IBizOrsaViewEvent* sink)
{
    note(QStringLiteral("SetViewEvent"));
    viewSink = sink;
    return 0;
}
int ScriptedSdk::SetRegionEvent(IBizOrsaRegionEvent* sink)
{
    note(QStringLiteral("SetRegionEvent"));
    regionSink = sink;
    return 0;
}
int ScriptedSdk::SetRoleEvent(IBizOrsaRoleEvent* sink)
{
    note(QStringLiteral("SetRoleEvent"));
    roleSink = sink;
    return 0;
}
int ScriptedSdk::SetVideoRegionEvent(IBizOrsaVideoRegionEvent* sink)
{
    note(QStringLiteral("SetVideoRegionEvent"));
    videoSink = sink;
    return 0;
}
int ScriptedSdk::SetAlarmRegionEvent(IBizOrsaAlarmRegionEvent* sink)
{
    note(QStringLiteral("SetAlarmRegionEvent"));
    alarmSink = sink;
    return 0;
}
int ScriptedSdk::SetRolePermissionEvent(IBizOrsaRolePermissionEvent* sink)
{
    note(QStringLiteral("SetRolePermissionEvent"));
    permissionSink = sink;
    return 0;
}
int ScriptedSdk::SetServerEvent(IBizOrsaServerEvent* sink)
{
    note(QStringLiteral("SetServerEvent"));
    serverSink = sink;
    return 0;
}

// ---- Requests ------------------------------------------------------------------
// Each records its decoded arguments and names the callback that answers it.

#define T(x) sdkText(x)
#define N(x) sdkNumber(x)
#define PLAIN(sink, cb) [this](int sid, const Reply& r) { sink->cb(sid, r.result); }
#define ADD(sink, cb, Tab)                                                                         \
    [this](int sid, const Reply& r) { sink->cb(sid, r.result, first<Tab>(r)); }
#define FETCH(sink, cb, Tab)                                                                       \
    [this](int sid, const Reply& r) { sink->cb(sid, r.result, first<Tab>(r), r.count); }

int ScriptedSdk::AddAccount(const char* u, const char* p, const char* m, const char* pw,
                            const char* r)
{
    return request("AddAccount", {T(u), T(p), T(m), T(pw), T(r)}, PLAIN(accountSink, OnAccountAdd));
}
int ScriptedSdk::EditAccount(const char* u, const char* p, const char* m, const char* pw,
                             const char* r)
{
    return request("EditAccount", {T(u), T(p), T(m), T(pw), T(r)},
                   PLAIN(accountSink, OnAccountEdit));
}
int ScriptedSdk::DeleteAccount(const char* u)
{
    return request("DeleteAccount", {T(u)}, PLAIN(accountSink, OnAccountDelete));
}
int ScriptedSdk::QueryAccount(const char* u)
{
    return request("QueryAccount", {T(u)}, FETCH(accountSink, OnAccountGet, tabACCOUNT));
}
int ScriptedSdk::Login(const char* u, const char* pw)
{
    return request("Login", {T(u), T(pw)}, PLAIN(accountSink, OnAccountLogin));
}
int ScriptedSdk::Logout()
{
    return request("Logout", {}, PLAIN(accountSink, OnAccountLogout));
}

int ScriptedSdk::AddDevice(const char* name, const char* no, const char* user, const char* pw,
                           const char* ip, int port, int channels, int vendor, int type)
{
    return request(
        "AddDevice",
        {T(name), T(no), T(user), T(pw), T(ip), N(port), N(channels), N(vendor), N(type)},
        ADD(deviceSink, OnDeviceAdd, tabDEVICEINFO));
}
int ScriptedSdk::Reserved()
{
    note(QStringLiteral("Reserved"));
    return -1;
}
int ScriptedSdk::EditDevice(const char* guid, const char* name, const char* user, const char* pw,
                            const char* ip, int port)
{
    return request("EditDevice", {T(guid), T(name), T(user), T(pw), T(ip), N(port)},
                   PLAIN(deviceSink, OnDeviceEdit));
}
int ScriptedSdk::DeleteDevice(const char* guid)
{
    return request("DeleteDevice", {T(guid)}, PLAIN(deviceSink, OnDeviceDelete));
}
int ScriptedSdk::QueryDevice(const char* guid)
{
    return request("QueryDevice", {T(guid)}, FETCH(deviceSink, OnDeviceGet, tabDEVICEINFO));
}
int ScriptedSdk::QueryDeviceChannel(const char* guid)
{
    return request("QueryDeviceChannel", {T(guid)},
                   FETCH(deviceSink, OnDeviceChannelGet, tabCHANNELINFO));
}

int ScriptedSdk::AddView(const char* name, int divide)
{
    return request("AddView", {T(name), N(divide)}, ADD(viewSink, OnViewAdd, tabVIEWINFO));
}
int ScriptedSdk::EditView(const char* guid, const char* name, int divide)
{
    return request("EditView", {T(guid), T(name), N(divide)}, PLAIN(viewSink, OnViewEdit));
}
int ScriptedSdk::DeleteView(const char* guid)
{
    return request("DeleteView", {T(guid)}, PLAIN(viewSink, OnViewDelete));
}
int ScriptedSdk::QueryView(const char* guid)
{
    return request("QueryView", {T(guid)}, FETCH(viewSink, OnViewGet, tabVIEWINFO));
}
int ScriptedSdk::AddViewChannel(const char* view, const char* channel, int pos)
{
    return request("AddViewChannel", {T(view), T(channel), N(pos)},
                   ADD(viewSink, OnViewChannelAdd, tabVIEWCHANNELINFO));
}
int ScriptedSdk::EditViewChannel(const char* view, const char* channel, int pos)
{
    return request("EditViewChannel", {T(view), T(channel), N(pos)},
                   PLAIN(viewSink, OnViewChannelEdit));
}
int ScriptedSdk::DeleteViewChannel(const char* view, const char* channel)
{
    return request("DeleteViewChannel", {T(view), T(channel)},
                   PLAIN(viewSink, OnViewChannelDelete));
}
int ScriptedSdk::QueryViewChannel(const char* view)
{
    return request("QueryViewChannel", {T(view)},
                   FETCH(viewSink, OnViewChannelGet, tabVIEWCHANNELINFO));
}

int ScriptedSdk::AddRegion(const char* name, const char* parent, int level, const char* describe)
{
    return request("AddRegion", {T(name), T(parent), N(level), T(describe)},
                   ADD(regionSink, OnRegionAdd, tabREGIONINFO));
}
int ScriptedSdk::EditRegion(const char* guid, const char* name, const char* describe)
{
    return request("EditRegion", {T(guid), T(name), T(describe)}, PLAIN(regionSink, OnRegionEdit));
}
int ScriptedSdk::DeleteRegion(const char* guid)
{
    return request("DeleteRegion", {T(guid)}, PLAIN(regionSink, OnRegionDelete));
}
int ScriptedSdk::QueryRegion(const char* guid)
{
    return request("QueryRegion", {T(guid)}, FETCH(regionSink, OnRegionGet, tabREGIONINFO));
}
int ScriptedSdk::AddRegionChannel(const char* region, const char* channel, const char* name)
{
    return request("AddRegionChannel", {T(region), T(channel), T(name)},
                   ADD(regionSink, OnRegionChannelAdd, tabREGIONCHANNELINFO));
}
int ScriptedSdk::EditRegionChannel(const char* region, const char* channel, const char* name)
{
    return request("EditRegionChannel", {T(region), T(channel), T(name)},
                   PLAIN(regionSink, OnRegionChannelEdit));
}
int ScriptedSdk::DeleteRegionChannel(const char* region, const char* channel)
{
    return request("DeleteRegionChannel", {T(region), T(channel)},
                   PLAIN(regionSink, OnRegionChannelDelete));
}
int ScriptedSdk::QueryRegionChannel(const char* region)
{
    return request("QueryRegionChannel", {T(region)},
                   FETCH(regionSink, OnRegionChannelGet, tabREGIONCHANNELINFO));
}

int ScriptedSdk::AddRole(const char* name, const char* describe)
{
    return request("AddRole", {T(name), T(describe)}, ADD(roleSink, OnRoleAdd, tabROLEINFO));
}
int ScriptedSdk::EditRole(const char* guid, const char* name, const char* describe)
{
    return request("EditRole", {T(guid), T(name), T(describe)}, PLAIN(roleSink, OnRoleEdit));
}
int ScriptedSdk::DeleteRole(const char* guid)
{
    return request("DeleteRole", {T(guid)}, PLAIN(roleSink, OnRoleDelete));
}
int ScriptedSdk::QueryRole(const char* guid)
{
    return request("QueryRole", {T(guid)}, FETCH(roleSink, OnRoleGet, tabROLEINFO));
}

int ScriptedSdk::AddServer(const char* name, const char* user, const char* pw, const char* ip,
                           int port, int type)
{
    return request("AddServer", {T(name), T(user), T(pw), T(ip), N(port), N(type)},
                   ADD(serverSink, OnServerAdd, tabSERVERINFO));
}
int ScriptedSdk::EditServer(const char* guid, const char* name, const char* user, const char* pw,
                            const char* ip, int port)
{
    return request("EditServer", {T(guid), T(name), T(user), T(pw), T(ip), N(port)},
                   PLAIN(serverSink, OnServerEdit));
}
int ScriptedSdk::DeleteServer(const char* guid)
{
    return request("DeleteServer", {T(guid)}, PLAIN(serverSink, OnServerDelete));
}
int ScriptedSdk::QueryServer(const char* guid)
{
    return request("QueryServer", {T(guid)}, FETCH(serverSink, OnServerGet, tabSERVERINFO));
}

int ScriptedSdk::AddRolePermission(const char* role, const char* type, const char* value)
{
    return request("AddRolePermission", {T(role), T(type), T(value)},
                   ADD(permissionSink, OnRolePermissionAdd, tabROLEPERMISSIONINFO));
}
int ScriptedSdk::DeleteRolePermission(const char* guid)
{
    return request("DeleteRolePermission", {T(guid)},
                   PLAIN(permissionSink, OnRolePermissionDelete));
}
int ScriptedSdk::QueryRolePermission(const char* guid)
{
    return request("QueryRolePermission", {T(guid)},
                   FETCH(permissionSink, OnRolePermissionGet, tabROLEPERMISSIONINFO));
}

int ScriptedSdk::AddVideoRegion(const char* role, const char* region)
{
    return request("AddVideoRegion", {T(role), T(region)},
                   ADD(videoSink, OnVideoRegionAdd, tabVIDEOREGIONINFO));
}
int ScriptedSdk::DeleteVideoRegion(const char* role, const char* region)
{
    return request("DeleteVideoRegion", {T(role), T(region)},
                   PLAIN(videoSink, OnVideoRegionDelete));
}
int ScriptedSdk::QueryVideoRegion(const char* role)
{
    return request("QueryVideoRegion", {T(role)},
                   FETCH(videoSink, OnVideoRegionGet, tabVIDEOREGIONINFO));
}
int ScriptedSdk::AddAlarmRegion(const char* role, const char* region)
{
    return request("AddAlarmRegion", {T(role), T(region)},
                   ADD(alarmSink, OnAlarmRegionAdd, tabALARMREGIONINFO));
}
int ScriptedSdk::DeleteAlarmRegion(const char* role, const char* region)
{
    return request("DeleteAlarmRegion", {T(role), T(region)},
                   PLAIN(alarmSink, OnAlarmRegionDelete));
}
int ScriptedSdk::QueryAlarmRegion(const char* role)
{
    return request("QueryAlarmRegion", {T(role)},
                   FETCH(alarmSink, OnAlarmRegionGet, tabALARMREGIONINFO));
}

#undef T
#undef N
#undef PLAIN
#undef ADD
#undef FETCH

// ---- The SDK's two functions, taking the place of the library's ---------------

IBizOrsaClient* CreateOrsa(const char* address, short port, bool flag)
{
    ScriptedSdk& sdk = ScriptedSdk::current();
    sdk.note(QStringLiteral("CreateOrsa"), {sdkText(address), sdkNumber(port), sdkNumber(flag)});
    if (sdk.createFails)
        return nullptr;
    if (ScriptedSdk* next = std::exchange(sdk.nextHub, nullptr))
        return next;
    return &sdk;
}

void DestroyOrsa(IBizOrsaClient* hub)
{
    auto* scripted = static_cast<ScriptedSdk*>(hub);
    scripted->note(QStringLiteral("DestroyOrsa"));
    scripted->joinThreads();
}
