// A scripted stand-in for the SDK, for tests of the facade. It records every
// call with its decoded arguments and answers as each test scripts.
#ifndef SCRIPTEDSDK_H
#define SCRIPTEDSDK_H

#include "BizOrsaClientLib.h"

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QMutex>
#include <QtCore/QQueue>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVector>

#include <functional>
#include <thread>
#include <vector>

// How the SDK answers one request.
struct Reply {
    enum Mode { Answer, Refuse, Silent, Held };
    Mode mode = Answer;
    int result = 0;
    int sid = -2;       // the request number to return; -2: the next one
    QByteArray records; // raw SDK records
    int count = 0;
    bool fromThread = true; // answer on a thread of the SDK's own
    bool firesTimeOut = false;

    static Reply refuse(int sid = -1)
    {
        Reply r;
        r.mode = Refuse;
        r.sid = sid;
        return r;
    }
    // No answer at all: the wait lasts the receiver's whole time-out.
    static Reply silent()
    {
        Reply r;
        r.mode = Silent;
        return r;
    }
    // No answer; the receiver's time-out is fired as soon as the wait runs.
    static Reply timeOut()
    {
        Reply r = silent();
        r.firesTimeOut = true;
        return r;
    }
    // The answer comes only when the test calls releaseHeld(), on the
    // caller's thread: an answer that arrives late, or out of order.
    static Reply held(Reply answer)
    {
        answer.mode = Held;
        return answer;
    }
    // No answer in time: the time-out fires; the answer comes at releaseHeld().
    static Reply late(Reply answer)
    {
        answer = held(answer);
        answer.firesTimeOut = true;
        return answer;
    }
    static Reply code(int result)
    {
        Reply r;
        r.result = result;
        return r;
    }
    template <typename Tab>
    static Reply with(int result, const QVector<Tab>& recs)
    {
        Reply r;
        r.result = result;
        r.records = QByteArray(reinterpret_cast<const char*>(recs.constData()),
                               int(sizeof(Tab) * recs.size()));
        r.count = recs.size();
        return r;
    }
    template <typename Tab>
    static Reply with(int result, const Tab& rec)
    {
        return with(result, QVector<Tab>{rec});
    }
};

struct SdkCall {
    QString op;
    QStringList args;
};

class ScriptedSdk : public IBizOrsaClient,
                    public IBizOrsaAccount,
                    public IBizOrsaDevice,
                    public IBizOrsaView,
                    public IBizOrsaRegion,
                    public IBizOrsaRole,
                    public IBizOrsaServer,
                    public IBizOrsaRolePermission,
                    public IBizOrsaVideoRegion,
                    public IBizOrsaAlarmRegion
{
public:
    // The instance CreateOrsa hands out; tests reset it between cases.
    static ScriptedSdk& current();
    // Answer threads still joinable at exit would abort the process.
    ~ScriptedSdk();
    // Forgets the calls and the scripts, answers succeed by default.
    void reset();

    // CreateOrsa returns null while this is set.
    bool createFails = false;
    // GetXInterface returns null for this operation name ("GetViewInterface").
    QString nullInterface;
    // The next CreateOrsa hands out this hub instead, once: a new connection
    // that replaces this one.
    ScriptedSdk* nextHub = nullptr;

    // Queue a reply for the next call of op (e.g. "AddRole").
    void script(const QString& op, const Reply& reply);
    // Every call since the last reset, hub calls included.
    QList<SdkCall> calls() const;
    // The calls since the last reset that are requests, not hub calls.
    QList<SdkCall> requests() const;
    // Runs on the caller's thread as each request arrives, before it is
    // answered: what the caller had set up before the SDK call is visible here.
    std::function<void(const SdkCall& call)> onRequest;
    // The names of the calls, in order, optionally only those of the requests.
    QStringList callNames(bool requestsOnly = false) const;
    // Waits for the threads that delivered answers.
    void joinThreads();
    // Delivers the held answers, oldest first, and forgets them.
    void releaseHeld();

    // Builders for SDK records.
    static void setText(char* field, std::size_t size, const QByteArray& text);
    template <std::size_t N>
    static void setText(char (&field)[N], const QByteArray& text)
    {
        setText(field, N, text);
    }

    // ---- IBizOrsaClient -------------------------------------------------------
    IBizOrsaAccount* GetAccountInterface() override;
    int SetAccountEvent(IBizOrsaAccountEvent* sink) override;
    IBizOrsaDevice* GetDeviceInterface() override;
    int SetDeviceEvent(IBizOrsaDeviceEvent* sink) override;
    IBizOrsaView* GetViewInterface() override;
    int SetViewEvent(IBizOrsaViewEvent* sink) override;
    IBizOrsaRegion* GetRegionInterface() override;
    int SetRegionEvent(IBizOrsaRegionEvent* sink) override;
    IBizOrsaRole* GetRoleInterface() override;
    int SetRoleEvent(IBizOrsaRoleEvent* sink) override;
    IBizOrsaVideoRegion* GetVideoRegionInterface() override;
    int SetVideoRegionEvent(IBizOrsaVideoRegionEvent* sink) override;
    IBizOrsaAlarmRegion* GetAlarmRegionInterface() override;
    int SetAlarmRegionEvent(IBizOrsaAlarmRegionEvent* sink) override;
    IBizOrsaRolePermission* GetRolePermissionInterface() override;
    int SetRolePermissionEvent(IBizOrsaRolePermissionEvent* sink) override;
    IBizOrsaServer* GetServerInterface() override;
    int SetServerEvent(IBizOrsaServerEvent* sink) override;

    // ---- Requests -------------------------------------------------------------
    int AddAccount(const char* userName, const char* phone, const char* mail, const char* password,
                   const char* roleGuid) override;
    int EditAccount(const char* userName, const char* phone, const char* mail, const char* password,
                    const char* roleGuid) override;
    int DeleteAccount(const char* userName) override;
    int QueryAccount(const char* userName) override;
    int Login(const char* userName, const char* password) override;
    int Logout() override;
    int AddDevice(const char* devName, const char* devNO, const char* devUser,
                  const char* devPassword, const char* devIP, int devPort, int devChannelNum,
                  int devVender, int devType) override;
    int Reserved() override;
    int EditDevice(const char* guid, const char* devName, const char* devUser,
                   const char* devPassword, const char* devIP, int devPort) override;
    int DeleteDevice(const char* guid) override;
    int QueryDevice(const char* guid) override;
    int QueryDeviceChannel(const char* devGuid) override;
    int AddView(const char* name, int divide) override;
    int EditView(const char* guid, const char* name, int divide) override;
    int DeleteView(const char* guid) override;
    int QueryView(const char* guid) override;
    int AddViewChannel(const char* viewGuid, const char* channelGuid, int position) override;
    int EditViewChannel(const char* viewGuid, const char* channelGuid, int position) override;
    int DeleteViewChannel(const char* viewGuid, const char* channelGuid) override;
    int QueryViewChannel(const char* viewGuid) override;
    int AddRegion(const char* name, const char* parentGuid, int level,
                  const char* describe) override;
    int EditRegion(const char* guid, const char* name, const char* describe) override;
    int DeleteRegion(const char* guid) override;
    int QueryRegion(const char* guid) override;
    int AddRegionChannel(const char* regionGuid, const char* channelGuid,
                         const char* channelName) override;
    int EditRegionChannel(const char* regionGuid, const char* channelGuid,
                          const char* channelName) override;
    int DeleteRegionChannel(const char* regionGuid, const char* channelGuid) override;
    int QueryRegionChannel(const char* regionGuid) override;
    int AddRole(const char* name, const char* describe) override;
    int EditRole(const char* guid, const char* name, const char* describe) override;
    int DeleteRole(const char* guid) override;
    int QueryRole(const char* guid) override;
    int AddServer(const char* name, const char* user, const char* password, const char* ip,
                  int port, int type) override;
    int EditServer(const char* guid, const char* name, const char* user, const char* password,
                   const char* ip, int port) override;
    int DeleteServer(const char* guid) override;
    int QueryServer(const char* guid) override;
    int AddRolePermission(const char* roleGuid, const char* type, const char* value) override;
    int DeleteRolePermission(const char* guid) override;
    int QueryRolePermission(const char* guid) override;
    int AddVideoRegion(const char* roleGuid, const char* regionGuid) override;
    int DeleteVideoRegion(const char* roleGuid, const char* regionGuid) override;
    int QueryVideoRegion(const char* roleGuid) override;
    int AddAlarmRegion(const char* roleGuid, const char* regionGuid) override;
    int DeleteAlarmRegion(const char* roleGuid, const char* regionGuid) override;
    int QueryAlarmRegion(const char* roleGuid) override;

    // The registered sinks.
    IBizOrsaAccountEvent* accountSink = nullptr;
    IBizOrsaDeviceEvent* deviceSink = nullptr;
    IBizOrsaViewEvent* viewSink = nullptr;
    IBizOrsaRegionEvent* regionSink = nullptr;
    IBizOrsaRoleEvent* roleSink = nullptr;
    IBizOrsaVideoRegionEvent* videoSink = nullptr;
    IBizOrsaAlarmRegionEvent* alarmSink = nullptr;
    IBizOrsaRolePermissionEvent* permissionSink = nullptr;
    IBizOrsaServerEvent* serverSink = nullptr;

    // Records a request and answers it as scripted: deliver(sid, reply)
    // calls the callback that answers op.
    using Deliver = std::function<void(int sid, const Reply& reply)>;
    int request(const char* op, const QStringList& args, Deliver deliver);

    void note(const QString& op, const QStringList& args = {});

private:
    template <typename I>
    I* give(const char* op, I* iface);

    mutable QMutex m_mutex;
    QList<SdkCall> m_calls;
    QHash<QString, QQueue<Reply>> m_scripts;
    int m_nextSid = 1;
    std::vector<std::thread> m_threads;
    QList<std::function<void()>> m_held;
};

// The instance CreateOrsa hands out.
inline ScriptedSdk& sdk()
{
    return ScriptedSdk::current();
}

// Sends the receiver the timer event of its running time-out, as if 15 s had
// passed, during the next wait.
void fireTimeOutDuringNextWait();
// Whether a time-out timer of the receiver still runs.
bool receiverTimerRuns();

// Decoded arguments, as the SDK saw them.
QString sdkText(const char* text);
QString sdkNumber(int number);

#endif // SCRIPTEDSDK_H
