// The facade's queries: they answer from the cached lists alone, never ask the
// server and never change the cache.
#include "usermanagercore.h"

#include "cacheindexes_p.h"
#include "orsalog_p.h"
#include "pinyinsort_p.h"
#include "select_p.h"
#include "userdatacache.h"

#include <algorithm>
#include <functional>

namespace DATACore {
namespace {

UserDataCache* cache()
{
    return UserDataCache::instance();
}

} // namespace

// ---- Filters ----------------------------------------------------------------

QList<AccountInfo> UserManagerCore::GetAccount(const QString& userName)
{
    return cachedWhereOrAll(cache()->list_account_Info(), &AccountInfo::userName, userName);
}

QList<RoleInfo> UserManagerCore::GetRole()
{
    return cache()->list_role_info();
}

// An empty guid selects only roles without a guid, not the whole list.
QList<RoleInfo> UserManagerCore::GetRole(const QString& guid)
{
    QList<RoleInfo> roles = cachedWhere(&RoleInfo::guid, guid);
    sortByPinyinInitials(roles, &RoleInfo::name);
    return roles;
}

QList<RolePermissionInfo> UserManagerCore::getRolePermission(const QString& guid)
{
    return selectOrAll(cache()->list_role_permission_info(), &RolePermissionInfo::guid, guid);
}

QList<RoleRegionInfo> UserManagerCore::getRegionVideo(const QString& roleGuid)
{
    return cachedWhereOrAll(cache()->list_role_region_info(), &RoleRegionInfo::roleGuid, roleGuid);
}

QList<RegionAlarmInfo> UserManagerCore::getAlarmRegion(const QString& roleGuid)
{
    return cachedWhereOrAll(cache()->list_region_alarm_info(), &RegionAlarmInfo::roleGuid,
                            roleGuid);
}

// The whole list comes back in cache order; only a real selection is sorted.
QList<RegionInfo> UserManagerCore::getOneRegionByCache(const QString& guid)
{
    if (guid.isEmpty())
        return cache()->list_region_info();
    QList<RegionInfo> regions = cachedWhere(&RegionInfo::guid, guid);
    sortByPinyinInitials(regions, &RegionInfo::name);
    return regions;
}

QList<DeviceChancelInfo> UserManagerCore::GetRegionChannel(const QString& regionGuid)
{
    return channelsOf(cachedWhereOrAll(cache()->list_region_channel_info(),
                                       &RegionChannelInfo::regionGuid, regionGuid));
}

// Unlike GetRegionChannel, an empty guid selects only entries filed under no region.
QList<DeviceChancelInfo> UserManagerCore::getRegionChannelByCache(const QString& regionGuid)
{
    return channelsOf(cachedWhere(&RegionChannelInfo::regionGuid, regionGuid));
}

QList<DeviceChancelInfo> UserManagerCore::getChannelInfoByAreaGuid(const QString& regionGuid)
{
    return GetRegionChannel(regionGuid);
}

QList<UDeviceInfo> UserManagerCore::GetDevice(const QString& guid)
{
    return cachedWhereOrAll(cache()->list_device_info(), &UDeviceInfo::guid, guid);
}

QList<DeviceChancelInfo> UserManagerCore::getDevChannelInfo(const QString& devGuid)
{
    return cachedWhereOrAll(cache()->list_device_channel_info(), &DeviceChancelInfo::devGuid,
                            devGuid);
}

QList<UViewInfo> UserManagerCore::GetView(const QString& guid)
{
    return cachedWhereOrAll(cache()->list_view_info(), &UViewInfo::guid, guid);
}

QList<UViewChannelInfo> UserManagerCore::GetViewChannel(const QString& viewGuid)
{
    return cachedWhereOrAll(cache()->viewChannelInfo(), &UViewChannelInfo::viewGuid, viewGuid);
}

QList<UServerInfo> UserManagerCore::GetServers(const QString& guid)
{
    return cachedWhereOrAll(cache()->list_server_info(), &UServerInfo::guid, guid);
}

QList<UServerInfo> UserManagerCore::GetServersByType(SERVERTYPE type)
{
    return selectWhere(cache()->list_server_info(), &UServerInfo::type, int(type));
}

// ---- Single records ---------------------------------------------------------

RegionInfo UserManagerCore::getRegionByGuid(const QString& guid)
{
    return cachedFirst(&RegionInfo::guid, guid);
}

UDeviceInfo UserManagerCore::getDeviceInfoByDeviceGuid(const QString& guid)
{
    return cachedFirst(&UDeviceInfo::guid, guid);
}

UDeviceInfo UserManagerCore::getDevInfo(const QString& guid)
{
    return firstWhere(GetDevice(guid), &UDeviceInfo::guid, guid);
}

UDeviceInfo UserManagerCore::getDeviceInfoByDeviceID(const QString& devNO)
{
    return cachedFirst(&UDeviceInfo::devNO, devNO);
}

DeviceChancelInfo UserManagerCore::getDevChannelInfoByChannelGuid(const QString& channelGuid)
{
    return cachedFirst(&DeviceChancelInfo::channelGuid, channelGuid);
}

// Only channels filed in some region, under the name given when filed. The
// filings are searched as they are: a site files tens of thousands.
DeviceChancelInfo UserManagerCore::getChannelInfoByChannelGuid(const QString& channelGuid)
{
    const QList<RegionChannelInfo>& filings = cache()->list_region_channel_info();
    const auto found =
        std::find_if(filings.cbegin(), filings.cend(), [&](const RegionChannelInfo& f) {
            return f.channelInfo.channelGuid == channelGuid;
        });
    return found == filings.cend() ? DeviceChancelInfo() : found->channelInfo;
}

DeviceChancelInfo UserManagerCore::getChannelInfoByAreaGuid(const QString& regionGuid,
                                                            const QString& channelGuid)
{
    return firstWhere(GetRegionChannel(regionGuid), &DeviceChancelInfo::channelGuid, channelGuid);
}

// Device numbers are typed by people, so letter case does not tell two apart here.
bool UserManagerCore::isExistByCloudNo(const QString& devNO)
{
    const QString wanted = devNO.toUpper();
    const QList<UDeviceInfo> devices = cache()->list_device_info();
    return std::any_of(devices.cbegin(), devices.cend(),
                       [&](const UDeviceInfo& device) { return device.devNO.toUpper() == wanted; });
}

// ---- Channel by device and channel number -----------------------------------
// The channel number is compared as the server delivered it, without offset.

DeviceChancelInfo UserManagerCore::channelInfoByDeviceNo(const QString& devNO, int channelNo)
{
    qCDebug(lcOrsa) << "current deviceNo is:" << devNO;
    const UDeviceInfo device = cachedFirst(&UDeviceInfo::devNO, devNO);
    return channelInfoByDeviceGUID(device.guid, channelNo);
}

DeviceChancelInfo UserManagerCore::channelInfoByIP(const QString& ip, int channelNo)
{
    qCDebug(lcOrsa) << "current deviceNo is:" << ip;
    const UDeviceInfo device = cachedFirst(&UDeviceInfo::devIP, ip);
    return channelInfoByDeviceGUID(device.guid, channelNo);
}

// An empty guid would select every device's channels, so it finds nothing instead.
DeviceChancelInfo UserManagerCore::channelInfoByDeviceGUID(const QString& devGuid, int channelNo)
{
    if (devGuid.isEmpty())
        return DeviceChancelInfo();
    return firstWhere(getDevChannelInfo(devGuid), &DeviceChancelInfo::channelNo, channelNo);
}

// ---- Compositions -----------------------------------------------------------

// A region that is filed but not cached contributes a default record.
QList<RegionInfo> UserManagerCore::GetAreasWhereChannelIn(const QString& channelGuid)
{
    QList<RegionInfo> regions;
    const QList<RegionChannelInfo> entries = cache()->list_region_channel_info();
    for (const RegionChannelInfo& entry : entries) {
        if (entry.channelInfo.channelGuid == channelGuid)
            regions.append(getRegionByGuid(entry.regionGuid));
    }
    return regions;
}

// The view part stays default: this channel is played outside any view.
AllPlayViewInfo UserManagerCore::getPlayerInfoByGuid(const QString& channelGuid)
{
    AllPlayViewInfo info;
    info.viewChInfo.channelInfo = getChannelInfoByChannelGuid(channelGuid);
    info.devInfo = getDevInfo(info.viewChInfo.channelInfo.devGuid);
    return info;
}

// ---- Servers ----------------------------------------------------------------

bool UserManagerCore::isHaveAlarmServer()
{
    const QList<UServerInfo> servers = cache()->list_server_info();
    return std::any_of(servers.cbegin(), servers.cend(),
                       [](const UServerInfo& server) { return server.type == SERVER_TYPE_ALARM; });
}

// Port and type -1 tell "no alarm server" apart from a real one; with several,
// the last cached one wins.
UServerInfo UserManagerCore::getAlarmServer()
{
    UServerInfo alarm;
    alarm.port = -1;
    alarm.type = -1;
    const QList<UServerInfo> servers = cache()->list_server_info();
    for (const UServerInfo& server : servers) {
        if (server.type == SERVER_TYPE_ALARM)
            alarm = server;
    }
    return alarm;
}

} // namespace DATACore
