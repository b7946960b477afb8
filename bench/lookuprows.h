// The facade's lookups, each timed on the records of a loaded cache: shared
// by bench_lookups (a made-up cache) and bench_scale (an imported site).
#ifndef LOOKUPROWS_H
#define LOOKUPROWS_H

#include "orsadatacenter.h"

#include <QtCore/QList>

// Every list of the cache.
struct CacheLists {
    QList<UDeviceInfo> devices;
    QList<DeviceChancelInfo> channels;
    QList<RegionInfo> regions;
    QList<RegionChannelInfo> filings;
    QList<UViewInfo> views;
    QList<UViewChannelInfo> placements;
    QList<UServerInfo> servers;
    QList<RoleInfo> roles;
    QList<RoleRegionInfo> videoGrants;
    QList<RegionAlarmInfo> alarmGrants;
    QList<RolePermissionInfo> permissions;
    QList<AccountInfo> accounts;
};

// What the cache holds now.
CacheLists cachedLists();
// Replaces every list of the cache.
void installLists(const CacheLists& lists);
// Prints the median time of one call of each lookup, over 101 calls with
// keys spread across the lists. Every list but servers must hold a record.
void printLookupTimes(const CacheLists& lists, const char* indent = "");

#endif // LOOKUPROWS_H
