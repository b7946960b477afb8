// The key of each record kind and the one upsert/remove rule of the cache.
#ifndef RECORDKEYS_P_H
#define RECORDKEYS_P_H

#include "orsarecords.h"

#include <QtCore/QList>

namespace DATACore {

// Operation codes of UserDataCache::updateInfoNode.
enum CacheOp : int { CacheAdd = 1, CacheDelete = 2, CacheEdit = 3 };

// sameKey(a, b): whether a and b denote the same server object.
inline bool sameKey(const AccountInfo& a, const AccountInfo& b)
{
    return a.userName == b.userName;
}
inline bool sameKey(const UDeviceInfo& a, const UDeviceInfo& b)
{
    return a.guid == b.guid;
}
inline bool sameKey(const DeviceChancelInfo& a, const DeviceChancelInfo& b)
{
    return a.channelGuid == b.channelGuid;
}
inline bool sameKey(const UViewInfo& a, const UViewInfo& b)
{
    return a.guid == b.guid;
}
inline bool sameKey(const RegionInfo& a, const RegionInfo& b)
{
    return a.guid == b.guid;
}
inline bool sameKey(const RoleInfo& a, const RoleInfo& b)
{
    return a.guid == b.guid;
}
inline bool sameKey(const UServerInfo& a, const UServerInfo& b)
{
    return a.guid == b.guid;
}
inline bool sameKey(const RolePermissionInfo& a, const RolePermissionInfo& b)
{
    return a.guid == b.guid && a.roleGuid == b.roleGuid;
}
inline bool sameKey(const RoleRegionInfo& a, const RoleRegionInfo& b)
{
    return a.roleGuid == b.roleGuid && a.regionGuid == b.regionGuid;
}
inline bool sameKey(const RegionAlarmInfo& a, const RegionAlarmInfo& b)
{
    return a.roleGuid == b.roleGuid && a.regionGuid == b.regionGuid;
}
inline bool sameKey(const RegionChannelInfo& a, const RegionChannelInfo& b)
{
    return a.channelInfo.channelGuid == b.channelInfo.channelGuid && a.regionGuid == b.regionGuid;
}
inline bool sameKey(const UViewChannelInfo& a, const UViewChannelInfo& b)
{
    return a.channelInfo.channelGuid == b.channelInfo.channelGuid && a.viewGuid == b.viewGuid;
}
inline bool sameKey(const UserViewInfo& a, const UserViewInfo& b)
{
    return a.userGuid == b.userGuid && a.viewGuid == b.viewGuid;
}

// Add and edit overwrite the first record with the same key in place, or
// append; delete removes the first record with the same key only.
template <typename T>
void applyCacheOp(QList<T>& list, const T& record, int op)
{
    if (op != CacheAdd && op != CacheEdit && op != CacheDelete)
        return;
    for (int i = 0; i < list.size(); ++i) {
        if (!sameKey(list.at(i), record))
            continue;
        if (op == CacheDelete)
            list.removeAt(i);
        else
            list[i] = record;
        return;
    }
    if (op != CacheDelete)
        list.append(record);
}

} // namespace DATACore

#endif // RECORDKEYS_P_H
