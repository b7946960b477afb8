#include "lookuprows.h"

#include <QtCore/QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace DATACore;

namespace {

// The median time of one call, in microseconds, over calls spread across keys.
double medianMicroseconds(int calls, const std::function<void(int)>& call)
{
    std::vector<qint64> times;
    QElapsedTimer timer;
    for (int k = 0; k < calls; ++k) {
        timer.start();
        call(k);
        times.push_back(timer.nsecsElapsed());
    }
    std::nth_element(times.begin(), times.begin() + calls / 2, times.end());
    return double(times[std::size_t(calls / 2)]) / 1000.0;
}

} // namespace

CacheLists cachedLists()
{
    UserDataCache* cache = UserDataCache::instance();
    return {cache->list_device_info(),
            cache->list_device_channel_info(),
            cache->list_region_info(),
            cache->list_region_channel_info(),
            cache->list_view_info(),
            cache->viewChannelInfo(),
            cache->list_server_info(),
            cache->list_role_info(),
            cache->list_role_region_info(),
            cache->list_region_alarm_info(),
            cache->list_role_permission_info(),
            cache->list_account_Info()};
}

void installLists(const CacheLists& s)
{
    UserDataCache* cache = UserDataCache::instance();
    cache->setList_device_info(s.devices);
    cache->setList_device_channel_info(s.channels);
    cache->setList_region_info(s.regions);
    cache->setList_region_channel_info(s.filings);
    cache->setList_view_info(s.views);
    cache->setViewChannelInfo(s.placements);
    cache->setList_server_info(s.servers);
    cache->setList_role_info(s.roles);
    cache->setList_role_region_info(s.videoGrants);
    cache->setList_role_alarm_info(s.alarmGrants);
    cache->setList_role_permission_info(s.permissions);
    cache->setList_account_Info(s.accounts);
}

void printLookupTimes(const CacheLists& lists, const char* indent)
{
    UserManagerCore* core = UserManagerCore::instance();
    const auto pick = [](const auto& list, int k) { return list.at((k * 7919) % list.size()); };
    int sink = 0; // keeps the calls from being optimised away

    struct Row {
        const char* what;
        std::function<void(int)> call;
    };
    const Row rows[] = {
        {"GetDevice(guid)",
         [&](int k) { sink += core->GetDevice(pick(lists.devices, k).guid).size(); }},
        {"getDeviceInfoByDeviceGuid",
         [&](int k) {
             sink += core->getDeviceInfoByDeviceGuid(pick(lists.devices, k).guid).devPort;
         }},
        {"getDeviceInfoByDeviceID",
         [&](int k) {
             sink += core->getDeviceInfoByDeviceID(pick(lists.devices, k).devNO).devPort;
         }},
        {"isExistByCloudNo",
         [&](int k) { sink += core->isExistByCloudNo(pick(lists.devices, k).devNO); }},
        {"channelInfoByIP",
         [&](int k) { sink += core->channelInfoByIP(pick(lists.devices, k).devIP, 2).channelNo; }},
        {"channelInfoByDeviceNo",
         [&](int k) {
             sink += core->channelInfoByDeviceNo(pick(lists.devices, k).devNO, 3).channelNo;
         }},
        {"getDevChannelInfo(device)",
         [&](int k) { sink += core->getDevChannelInfo(pick(lists.devices, k).guid).size(); }},
        {"getDevChannelInfoByChannelGuid",
         [&](int k) {
             sink += core->getDevChannelInfoByChannelGuid(pick(lists.channels, k).channelGuid)
                         .channelNo;
         }},
        {"getChannelInfoByChannelGuid",
         [&](int k) {
             sink +=
                 core->getChannelInfoByChannelGuid(pick(lists.channels, k).channelGuid).channelNo;
         }},
        {"getPlayerInfoByGuid",
         [&](int k) {
             sink += core->getPlayerInfoByGuid(pick(lists.channels, k).channelGuid).devInfo.devPort;
         }},
        {"GetAreasWhereChannelIn",
         [&](int k) {
             sink += core->GetAreasWhereChannelIn(pick(lists.channels, k).channelGuid).size();
         }},
        {"GetRegionChannel(region)",
         [&](int k) { sink += core->GetRegionChannel(pick(lists.regions, k).guid).size(); }},
        {"getChannelInfoByAreaGuid(region, ch)",
         [&](int k) {
             const RegionChannelInfo& f = pick(lists.filings, k);
             sink +=
                 core->getChannelInfoByAreaGuid(f.regionGuid, f.channelInfo.channelGuid).channelNo;
         }},
        {"getRegionByGuid",
         [&](int k) { sink += core->getRegionByGuid(pick(lists.regions, k).guid).level; }},
        {"getOneRegionByCache(guid)",
         [&](int k) { sink += core->getOneRegionByCache(pick(lists.regions, k).guid).size(); }},
        {"getRegionVideo(role)",
         [&](int k) { sink += core->getRegionVideo(pick(lists.roles, k).guid).size(); }},
        {"getAlarmRegion(role)",
         [&](int k) { sink += core->getAlarmRegion(pick(lists.roles, k).guid).size(); }},
        {"getRolePermission(guid)",
         [&](int k) { sink += core->getRolePermission(pick(lists.permissions, k).guid).size(); }},
        {"GetRole(guid), sorted",
         [&](int k) { sink += core->GetRole(pick(lists.roles, k).guid).size(); }},
        {"GetViewChannel(view)",
         [&](int k) { sink += core->GetViewChannel(pick(lists.views, k).guid).size(); }},
        {"GetServersByType",
         [&](int k) { sink += core->GetServersByType(SERVERTYPE(k % 5)).size(); }},
        {"GetAccount(name)",
         [&](int k) { sink += core->GetAccount(pick(lists.accounts, k).userName).size(); }},
        {"getOneRegionByCache(\"\")",
         [&](int) { sink += core->getOneRegionByCache(QString()).size(); }},
        {"GetOneRegion(\"\"), the user's, sorted",
         [&](int) { sink += core->GetOneRegion(QString()).size(); }},
        {"verifyPermission",
         [&](int k) { sink += core->verifyPermission(pick(lists.permissions, k).type); }},
    };
    for (const Row& row : rows)
        std::printf("%s%-40s %10.1f us\n", indent, row.what, medianMicroseconds(101, row.call));
    if (sink == -1)
        std::printf("%s(never printed)\n", indent);
}
