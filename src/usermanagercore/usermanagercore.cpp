#include "usermanagercore.h"

#include "BizOrsaClientLib.h"
#include "eventreceiver.h"
#include "sinks_p.h"
#include "userdatacache.h"

#include <QtCore/QEventLoop>
#include <QtCore/QVariant>

namespace DATACore {

UserManagerCore* UserManagerCore::instance()
{
    static UserManagerCore* const core = new UserManagerCore;
    return core;
}

UserManagerCore::UserManagerCore(QObject* parent) : QObject(parent) {}

// The SDK objects and the sinks are not ours to release.
UserManagerCore::~UserManagerCore() = default;

bool UserManagerCore::ExportInterFace(QObject* owner, const QString& address, short port, bool flag)
{
    m_hub = CreateOrsa(address.toLocal8Bit().data(), port, flag);
    setBizOrsaClient_Create_Success(m_hub != nullptr);
    if (!m_hub)
        return false;

    m_account = m_hub->GetAccountInterface();
    m_device = m_hub->GetDeviceInterface();
    m_view = m_hub->GetViewInterface();
    m_region = m_hub->GetRegionInterface();
    m_role = m_hub->GetRoleInterface();
    m_server = m_hub->GetServerInterface();
    m_rolePermission = m_hub->GetRolePermissionInterface();
    m_videoRegion = m_hub->GetVideoRegionInterface();
    m_alarmRegion = m_hub->GetAlarmRegionInterface();
    if (!m_account || !m_device || !m_view || !m_region || !m_role || !m_server ||
        !m_rolePermission || !m_videoRegion || !m_alarmRegion)
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
    return true;
}

bool UserManagerCore::BizOrsaClient_Create_Success() const
{
    return m_created;
}

void UserManagerCore::setBizOrsaClient_Create_Success(bool created)
{
    m_created = created;
}

bool UserManagerCore::CreateORSAInstance(const QString& address, short port, bool flag)
{
    m_hub = CreateOrsa(address.toLocal8Bit().data(), port, flag);
    setBizOrsaClient_Create_Success(m_hub != nullptr);
    return m_created;
}

void UserManagerCore::ReleaseORSAInstance()
{
    if (m_created)
        DestroyOrsa(m_hub);
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
