#include "userdatacache.h"

#include "recordkeys_p.h"

namespace DATACore {

UserDataCache* UserDataCache::_static_UserDataCache_ptr = nullptr;

UserDataCache* UserDataCache::instance()
{
    if (!_static_UserDataCache_ptr)
        _static_UserDataCache_ptr = new UserDataCache;
    return _static_UserDataCache_ptr;
}

UserDataCache::UserDataCache(QObject* parent) : QObject(parent) {}

UserDataCache::~UserDataCache() = default;

QObject& UserDataCache::dataObj()
{
    return m_dataObj;
}

QList<AccountInfo>& UserDataCache::list_account_Info()
{
    return m_list_account_Info;
}
QList<UDeviceInfo>& UserDataCache::list_device_info()
{
    return m_list_device_info;
}
QList<DeviceChancelInfo>& UserDataCache::list_device_channel_info()
{
    return m_list_device_channel_info;
}
QList<UViewInfo>& UserDataCache::list_view_info()
{
    return m_list_view_info;
}
QList<UViewChannelInfo>& UserDataCache::viewChannelInfo()
{
    return m_viewChannelInfo;
}
QList<RegionInfo>& UserDataCache::list_region_info()
{
    return m_list_region_info;
}
QList<RegionChannelInfo>& UserDataCache::list_region_channel_info()
{
    return m_list_region_channel_info;
}
QList<RoleInfo>& UserDataCache::list_role_info()
{
    return m_list_role_info;
}
QList<RoleRegionInfo>& UserDataCache::list_role_region_info()
{
    return m_list_role_region_info;
}
QList<RegionAlarmInfo>& UserDataCache::list_region_alarm_info()
{
    return m_list_region_alarm_info;
}
QList<UServerInfo> UserDataCache::list_server_info()
{
    return m_list_server_info;
}
const QList<RolePermissionInfo>& UserDataCache::list_role_permission_info() const
{
    return m_list_role_permission_info;
}
QList<UserViewInfo> UserDataCache::listUserView()
{
    return m_listUserView;
}

void UserDataCache::setList_account_Info(const QList<AccountInfo>& list)
{
    m_list_account_Info = list;
}
void UserDataCache::setList_device_info(const QList<UDeviceInfo>& list)
{
    m_list_device_info = list;
}
void UserDataCache::setList_device_channel_info(const QList<DeviceChancelInfo>& list)
{
    m_list_device_channel_info = list;
}
void UserDataCache::setList_view_info(const QList<UViewInfo>& list)
{
    m_list_view_info = list;
}
void UserDataCache::setViewChannelInfo(const QList<UViewChannelInfo>& list)
{
    m_viewChannelInfo = list;
}
void UserDataCache::setList_region_info(const QList<RegionInfo>& list)
{
    m_list_region_info = list;
}
void UserDataCache::setList_region_channel_info(const QList<RegionChannelInfo>& list)
{
    m_list_region_channel_info = list;
}
void UserDataCache::setList_role_info(const QList<RoleInfo>& list)
{
    m_list_role_info = list;
}
void UserDataCache::setList_role_region_info(const QList<RoleRegionInfo>& list)
{
    m_list_role_region_info = list;
}
void UserDataCache::setList_role_alarm_info(const QList<RegionAlarmInfo>& list)
{
    m_list_region_alarm_info = list;
}
void UserDataCache::setList_server_info(const QList<UServerInfo>& list)
{
    m_list_server_info = list;
}
void UserDataCache::setList_role_permission_info(const QList<RolePermissionInfo>& list)
{
    m_list_role_permission_info = list;
}
void UserDataCache::setListUserView(const QList<UserViewInfo>& list)
{
    m_listUserView = list;
}

void UserDataCache::updateInfoNode(AccountInfo& record, int op)
{
    applyCacheOp(m_list_account_Info, record, op);
}
void UserDataCache::updateInfoNode(UDeviceInfo& record, int op)
{
    applyCacheOp(m_list_device_info, record, op);
}
void UserDataCache::updateInfoNode(DeviceChancelInfo& record, int op)
{
    applyCacheOp(m_list_device_channel_info, record, op);
}
void UserDataCache::updateInfoNode(UViewInfo& record, int op)
{
    applyCacheOp(m_list_view_info, record, op);
}
void UserDataCache::updateInfoNode(RegionAlarmInfo& record, int op)
{
    applyCacheOp(m_list_region_alarm_info, record, op);
}
void UserDataCache::updateInfoNode(RoleRegionInfo& record, int op)
{
    applyCacheOp(m_list_role_region_info, record, op);
}
void UserDataCache::updateInfoNode(RoleInfo& record, int op)
{
    applyCacheOp(m_list_role_info, record, op);
}
void UserDataCache::updateInfoNode(RegionChannelInfo& record, int op)
{
    applyCacheOp(m_list_region_channel_info, record, op);
}
void UserDataCache::updateInfoNode(RegionInfo& record, int op)
{
    applyCacheOp(m_list_region_info, record, op);
}
void UserDataCache::updateInfoNode(UViewChannelInfo& record, int op)
{
    applyCacheOp(m_viewChannelInfo, record, op);
}
void UserDataCache::updateInfoNode(UServerInfo& record, int op)
{
    applyCacheOp(m_list_server_info, record, op);
}
void UserDataCache::updateInfoNode(RolePermissionInfo& record, int op)
{
    applyCacheOp(m_list_role_permission_info, record, op);
}
void UserDataCache::updateInfoNode(UserViewInfo& record, int op)
{
    applyCacheOp(m_listUserView, record, op);
}

QList<DeviceChancelInfo> UserDataCache::deviceChannelInfoByCache(const QString& devGuid)
{
    const QList<DeviceChancelInfo> snapshot = m_list_device_channel_info;
    QList<DeviceChancelInfo> result;
    for (const DeviceChancelInfo& channel : snapshot) {
        if (channel.devGuid == devGuid)
            result.append(channel);
    }
    return result;
}

} // namespace DATACore
