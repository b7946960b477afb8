#include "cascade_p.h"

#include "recordkeys_p.h"
#include "userdatacache.h"
#include "usermanagercore.h"

#include <iterator>

namespace DATACore {
namespace {

using C = UserDataCache;

template <typename Rec>
void silently(UserManagerCore&, const Rec&)
{}

// Deleting a record removes every cached record of List whose Field holds its
// key, each through the cache's own delete rule.
template <auto List, auto Field, auto Notify>
void removeWhere(UserManagerCore& core, const QString& key)
{
    UserDataCache* cache = UserDataCache::instance();
    auto snapshot = (cache->*List)();
    for (auto& record : snapshot) {
        if (record.*Field == key) {
            cache->updateInfoNode(record, CacheDelete);
            Notify(core, record);
        }
    }
}

struct CascadeRule {
    Deleted parent;
    void (*removeDependents)(UserManagerCore& core, const QString& key);
};

// The server's delete rules: deleting the parent removes these with it.
const CascadeRule kCascades[] = {
    {Deleted::View, removeWhere<&C::viewChannelInfo, &UViewChannelInfo::viewGuid, placementGone>},
    {Deleted::Region,
     removeWhere<&C::list_region_channel_info, &RegionChannelInfo::regionGuid, filingGone>},
    {Deleted::Region,
     removeWhere<&C::list_role_region_info, &RoleRegionInfo::regionGuid, silently<RoleRegionInfo>>},
    {Deleted::Region, removeWhere<&C::list_region_alarm_info, &RegionAlarmInfo::regionGuid,
                                  silently<RegionAlarmInfo>>},
    {Deleted::Role,
     removeWhere<&C::list_role_region_info, &RoleRegionInfo::roleGuid, silently<RoleRegionInfo>>},
    {Deleted::Role, removeWhere<&C::list_region_alarm_info, &RegionAlarmInfo::roleGuid,
                                silently<RegionAlarmInfo>>},
    {Deleted::Role, removeWhere<&C::list_role_permission_info, &RolePermissionInfo::roleGuid,
                                silently<RolePermissionInfo>>},
    {Deleted::Device, removeWhere<&C::list_device_channel_info, &DeviceChancelInfo::devGuid,
                                  silently<DeviceChancelInfo>>},
};

} // namespace

void placementGone(UserManagerCore& core, const UViewChannelInfo& placement)
{
    emit core.signalDelViewChannel(placement.viewGuid, placement.channelInfo.channelGuid);
}

void filingGone(UserManagerCore& core, const RegionChannelInfo& filing)
{
    emit core.signalDeleteRegionChannl(filing.regionGuid, filing.channelInfo.channelGuid);
}

void dropDependents(UserManagerCore& core, Deleted kind, const QString& key)
{
    for (const CascadeRule& rule : kCascades) {
        if (rule.parent == kind)
            rule.removeDependents(core, key);
    }
}

} // namespace DATACore
