#include "usermanagercore.h"

#include "BizOrsaClientLib.h"
#include "changefeedlink_p.h"
#include "eventreceiver.h"
#include "localtext_p.h"
#include "sinks_p.h"
#include "userdatacache.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QVariant>

namespace DATACore {

UserManagerCore* UserManagerCore::instance()
{
    static UserManagerCore* const core = new UserManagerCore;
    return core;
}

UserManagerCore::UserManagerCore(QObject* parent) : QObject(parent)
{
    // For queued connections and spies on the change signals.
    qRegisterMetaType<RemoteChange>();
    qRegisterMetaType<RemoteChange::Kinds>();
}

// The SDK objects and the sinks are not ours to release.
UserManagerCore::~UserManagerCore() = default;

namespace {

// The nine request faces of one SDK instance.
struct Faces {
    IBizOrsaAccount* account;
    IBizOrsaDevice* device;
    IBizOrsaView* view;
    IBizOrsaRegion* region;
    IBizOrsaRole* role;
    IBizOrsaServer* server;
    IBizOrsaRolePermission* rolePermission;
    IBizOrsaVideoRegion* videoRegion;
    IBizOrsaAlarmRegion* alarmRegion;

    // All nine are asked for before any is looked at.
    explicit Faces(IBizOrsaClient* hub)
        : account(hub->GetAccountInterface()), device(hub->GetDeviceInterface()),
          view(hub->GetViewInterface()), region(hub->GetRegionInterface()),
          role(hub->GetRoleInterface()), server(hub->GetServerInterface()),
          rolePermission(hub->GetRolePermissionInterface()),
          videoRegion(hub->GetVideoRegionInterface()), alarmRegion(hub->GetAlarmRegionInterface())
    {}
    bool complete() const
    {
        return account && device && view && region && role && server && rolePermission &&
               videoRegion && alarmRegion;
    }
};

} // namespace

bool UserManagerCore::ExportInterFace(QObject* owner, const QString& address, short port, bool flag)
{
    IBizOrsaClient* const previous = m_hub;
    QObject* const previousOwner = m_owner;
    IBizOrsaClient* const hub = CreateOrsa(toLocal8Bit(address).constData(), port, flag);
    if (!hub) {
        // A working connection is not given up for one that cannot be made.
        if (!previous)
            setBizOrsaClient_Create_Success(false);
        return false;
    }
    const Faces faces(hub);
    if (previous && !faces.complete()) {
        if (hub != previous)
            DestroyOrsa(hub);
        return false;
    }

    m_hub = hub;
    setBizOrsaClient_Create_Success(true);
    m_account = faces.account;
    m_device = faces.device;
    m_view = faces.view;
    m_region = faces.region;
    m_role = faces.role;
    m_server = faces.server;
    m_rolePermission = faces.rolePermission;
    m_videoRegion = faces.videoRegion;
    m_alarmRegion = faces.alarmRegion;
    if (!faces.complete())
        return false;

    m_accountEvent = IAccountEvent::instance();
    m_deviceEvent = IDeviceEvent::instance();
    m_viewEvent = IviewEvent::instance();
    m_regionEvent = IRegionEvent::instance();
    m_roleEvent = IRoleEvent::instance();
    m_serverEvent = IServerEvent::instance();
    m_rolePermissionEvent = IRolePermissionEvent::instance();
    m_regionRoleEvent = IRegionRoleEvent::instance();
    m_alarmRoleEvent = IAlarmRoleEvent::instance();

    m_owner = owner;
    m_accountEvent->setTarget(owner);
    m_deviceEvent->setTarget(owner);
    m_viewEvent->setTarget(owner);
    m_regionEvent->setTarget(owner);
    m_roleEvent->setTarget(owner);
    m_serverEvent->setTarget(owner);
    m_rolePermissionEvent->setTarget(owner);
    m_regionRoleEvent->setTarget(owner);
    m_alarmRoleEvent->setTarget(owner);

    m_hub->SetAccountEvent(m_accountEvent);
    m_hub->SetDeviceEvent(m_deviceEvent);
    m_hub->SetViewEvent(m_viewEvent);
    m_hub->SetRegionEvent(m_regionEvent);
    m_hub->SetRoleEvent(m_roleEvent);
    m_hub->SetServerEvent(m_serverEvent);
    m_hub->SetRolePermissionEvent(m_rolePermissionEvent);
    m_hub->SetVideoRegionEvent(m_regionRoleEvent);
    m_hub->SetAlarmRegionEvent(m_alarmRoleEvent);
    attachChangeFeed(m_hub, owner);

    if (previous && previous != hub) {
        // Its thread is joined, so its last answers are all queued: handle
        // them now, while no request of the new connection can share a number.
        // Its queued changes are dropped: the new connection logs in afresh.
        releaseHub(previous);
        if (previousOwner)
            QCoreApplication::sendPostedEvents(previousOwner);
        forgetLogin();
    }
    // Once per application object: its destructor runs the routines once.
    qRemovePostRoutine(&UserManagerCore::releaseAtExit);
    qAddPostRoutine(&UserManagerCore::releaseAtExit);
    return true;
}

bool UserManagerCore::BizOrsaClient_Create_Success() const
{
    return m_created;
}

bool UserManagerCore::changeFeedAvailable() const
{
    return m_hub && changeFeedAttached(m_hub);
}

void UserManagerCore::setBizOrsaClient_Create_Success(bool created)
{
    m_created = created;
}

bool UserManagerCore::CreateORSAInstance(const QString& address, short port, bool flag)
{
    m_hub = CreateOrsa(toLocal8Bit(address).constData(), port, flag);
    setBizOrsaClient_Create_Success(m_hub != nullptr);
    return m_created;
}

void UserManagerCore::ReleaseORSAInstance()
{
    if (m_created)
        releaseHub(m_hub);
    // Kept pointers would reach into a released instance.
    m_hub = nullptr;
    m_account = nullptr;
    m_device = nullptr;
    m_view = nullptr;
    m_region = nullptr;
    m_role = nullptr;
    m_server = nullptr;
    m_rolePermission = nullptr;
    m_videoRegion = nullptr;
    m_alarmRegion = nullptr;
    setBizOrsaClient_Create_Success(false);
    forgetLogin();
}

// Runs as the QCoreApplication is destroyed: afterwards no SDK thread may
// post into the receiver or touch the cache.
void UserManagerCore::releaseAtExit()
{
    instance()->ReleaseORSAInstance();
}

void UserManagerCore::waitForResult(QObject* sender, const char* signal)
{
    UserDataCache::instance()->dataObj().setProperty("result", QVariant(false));
    EventReceiver::instance()->startTimeOut();
    QEventLoop loop;
    // Every wait of the library is on the receiver's completion signal:
    // connected by member pointer, it skips parsing the signature each time.
    EventReceiver* receiver = EventReceiver::instance();
    if (sender == receiver && qstrcmp(signal, SIGNAL(signal_least_callback_coming())) == 0)
        connect(receiver, &EventReceiver::signal_least_callback_coming, &loop, &QEventLoop::quit);
    else
        connect(sender, signal, &loop, SLOT(quit()));
    loop.exec();
}

} // namespace DATACore
