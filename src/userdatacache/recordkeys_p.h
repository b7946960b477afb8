// The key of each record kind, and the fields whose filters the cache indexes.
#ifndef RECORDKEYS_P_H
#define RECORDKEYS_P_H

#include "orsarecords.h"

#include <QtCore/QPair>
#include <QtCore/QString>
#include <QtCore/QVector>

namespace DATACore {

// Operation codes of UserDataCache::updateInfoNode.
enum CacheOp : int { CacheAdd = 1, CacheDelete = 2, CacheEdit = 3 };

template <typename T>
using TextField = QString T::*;

// A kind keyed by one text field. Filters on that field are answered from the
// key index; filters on the grouped fields from one index per field.
template <typename T, TextField<T> Key, TextField<T>... Grouped>
struct SingleKey {
    using Type = QString;
    static const QString& of(const T& record) { return record.*Key; }
    static constexpr TextField<T> field = Key;
    static QVector<TextField<T>> grouped() { return {Grouped...}; }
};

// A kind keyed by two text fields.
template <typename T, TextField<T> First, TextField<T> Second, TextField<T>... Grouped>
struct PairKey {
    using Type = QPair<QString, QString>;
    static Type of(const T& record) { return {record.*First, record.*Second}; }
    static constexpr TextField<T> field = nullptr;
    static QVector<TextField<T>> grouped() { return {Grouped...}; }
};

// A placement or filing: its parent's guid and its channel's.
template <typename T, TextField<T> Parent>
struct ChannelKey {
    using Type = QPair<QString, QString>;
    static Type of(const T& record) { return {record.*Parent, record.channelInfo.channelGuid}; }
    static constexpr TextField<T> field = nullptr;
    static QVector<TextField<T>> grouped() { return {Parent}; }
};

// RecordKey<T>::of(a) == RecordKey<T>::of(b): a and b denote the same server
// object. The grouped fields are those the library's hot filters select by.
template <typename T>
struct RecordKey;
// clang-format off
template <> struct RecordKey<AccountInfo> : SingleKey<AccountInfo, &AccountInfo::userName> {};
template <> struct RecordKey<UDeviceInfo>
    : SingleKey<UDeviceInfo, &UDeviceInfo::guid, &UDeviceInfo::devNO, &UDeviceInfo::devIP> {};
template <> struct RecordKey<DeviceChancelInfo>
    : SingleKey<DeviceChancelInfo, &DeviceChancelInfo::channelGuid, &DeviceChancelInfo::devGuid> {};
template <> struct RecordKey<UViewInfo> : SingleKey<UViewInfo, &UViewInfo::guid> {};
template <> struct RecordKey<RegionInfo> : SingleKey<RegionInfo, &RegionInfo::guid> {};
template <> struct RecordKey<RoleInfo> : SingleKey<RoleInfo, &RoleInfo::guid> {};
template <> struct RecordKey<UServerInfo> : SingleKey<UServerInfo, &UServerInfo::guid> {};
template <> struct RecordKey<RolePermissionInfo>
    : PairKey<RolePermissionInfo, &RolePermissionInfo::guid, &RolePermissionInfo::roleGuid> {};
template <> struct RecordKey<RoleRegionInfo>
    : PairKey<RoleRegionInfo, &RoleRegionInfo::roleGuid, &RoleRegionInfo::regionGuid,
              &RoleRegionInfo::roleGuid> {};
template <> struct RecordKey<RegionAlarmInfo>
    : PairKey<RegionAlarmInfo, &RegionAlarmInfo::roleGuid, &RegionAlarmInfo::regionGuid,
              &RegionAlarmInfo::roleGuid> {};
template <> struct RecordKey<RegionChannelInfo>
    : ChannelKey<RegionChannelInfo, &RegionChannelInfo::regionGuid> {};
template <> struct RecordKey<UViewChannelInfo>
    : ChannelKey<UViewChannelInfo, &UViewChannelInfo::viewGuid> {};
template <> struct RecordKey<UserViewInfo>
    : PairKey<UserViewInfo, &UserViewInfo::userGuid, &UserViewInfo::viewGuid> {};
// clang-format on

} // namespace DATACore

#endif // RECORDKEYS_P_H
