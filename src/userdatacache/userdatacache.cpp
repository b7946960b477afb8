#include "userdatacache.h"

#include "cacheindexes_p.h"

namespace DATACore {

UserDataCache* UserDataCache::_static_UserDataCache_ptr = nullptr;

UserDataCache* UserDataCache::instance()
{
    if (!_static_UserDataCache_ptr)
        _static_UserDataCache_ptr = new UserDataCache;
    return _static_UserDataCache_ptr;
}

namespace {

// A whole list is replaced: its index is built again on its next use.
template <typename T>
void install(UserDataCache& cache, QList<T>& target, const QList<T>& list)
{
    CacheIndexes::of(cache).get<T>().reset();
    target = list;
}

template <typename T>
void update(UserDataCache& cache, const T& record, int op)
{
    CacheIndexes::of(cache).get<T>().apply(record, op);
}

} // namespace

CacheIndexes::CacheIndexes(UserDataCache& c)
    : m_indexes(c.m_list_account_Info, c.m_list_device_info, c.m_list_device_channel_info,
                c.m_list_view_info, c.m_viewChannelInfo, c.m_list_region_info,
                c.m_list_region_channel_info, c.m_list_role_info, c.m_list_role_region_info,
                c.m_list_region_alarm_info, c.m_list_server_info, c.m_list_role_permission_info,
                c.m_listUserView)
{}

UserDataCache::UserDataCache(QObject* parent)
    : QObject(parent), m_indexes(std::make_unique<CacheIndexes>(*this))
{}

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
    install(*this, m_list_account_Info, list);
}
void UserDataCache::setList_device_info(const QList<UDeviceInfo>& list)
{
    install(*this, m_list_device_info, list);
}
void UserDataCache::setList_device_channel_info(const QList<DeviceChancelInfo>& list)
{
    install(*this, m_list_device_channel_info, list);
}
void UserDataCache::setList_view_info(const QList<UViewInfo>& list)
{
    install(*this, m_list_view_info, list);
}
void UserDataCache::setViewChannelInfo(const QList<UViewChannelInfo>& list)
{
    install(*this, m_viewChannelInfo, list);
}
void UserDataCache::setList_region_info(const QList<RegionInfo>& list)
{
    install(*this, m_list_region_info, list);
}
void UserDataCache::setList_region_channel_info(const QList<RegionChannelInfo>& list)
{
    install(*this, m_list_region_channel_info, list);
}
void UserDataCache::setList_role_info(const QList<RoleInfo>& list)
{
    install(*this, m_list_role_info, list);
}
void UserDataCache::setList_role_region_info(const QList<RoleRegionInfo>& list)
{
    install(*this, m_list_role_region_info, list);
}
void UserDataCache::setList_role_alarm_info(const QList<RegionAlarmInfo>& list)
{
    install(*this, m_list_region_alarm_info, list);
}
void UserDataCache::setList_server_info(const QList<UServerInfo>& list)
{
    install(*this, m_list_server_info, list);
}
void UserDataCache::setList_role_permission_info(const QList<RolePermissionInfo>& list)
{
    install(*this, m_list_role_permission_info, list);
}
void UserDataCache::setListUserView(const QList<UserViewInfo>& list)
{
    install(*this, m_listUserView, list);
}

void UserDataCache::updateInfoNode(AccountInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(UDeviceInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(DeviceChancelInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(UViewInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(RegionAlarmInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(RoleRegionInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(RoleInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(RegionChannelInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(RegionInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(UViewChannelInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(UServerInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(RolePermissionInfo& record, int op)
{
    update(*this, record, op);
}
void UserDataCache::updateInfoNode(UserViewInfo& record, int op)
{
    update(*this, record, op);
}

QList<DeviceChancelInfo> UserDataCache::deviceChannelInfoByCache(const QString& devGuid)
{
    return CacheIndexes::of(*this).get<DeviceChancelInfo>().where(&DeviceChancelInfo::devGuid,
                                                                  devGuid);
}

} // namespace DATACore
