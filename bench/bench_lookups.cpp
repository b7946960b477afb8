// Every lookup the facade offers, on a cache holding a large site: 10,000
// devices of 4 channels, 2,000 regions 3 to 4 deep with every channel filed
// once, 200 views of 16 panes, 100 servers, 50 roles each granted about 200
// regions, 500 accounts. Prints the median time of one call of each.
//
// Usage: bench_lookups [scale]   (default 1.0: the full site; 0.1 a tenth)
#include "orsadatacenter.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace DATACore;

namespace {

// Chinese and Latin names, so that the pinyin sort has ties to order.
QString name(QRandomGenerator& random, const char* latin, int number)
{
    static const QString syllables =
        QStringLiteral("东西南北中华安平长青仓库货架门岗停车场大厅办公楼");
    QString text;
    const int length = 1 + random.bounded(3);
    for (int k = 0; k < length; ++k)
        text += syllables.at(random.bounded(syllables.size()));
    return random.bounded(2) ? text + QString::number(number)
                             : QLatin1String(latin) + QString::number(number);
}

QString guid(const char* kind, int number)
{
    return QStringLiteral("%1-%2-0000-4000-8000-000000000000").arg(QLatin1String(kind)).arg(number);
}

struct Site {
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

Site makeSite(double scale)
{
    QRandomGenerator random(20261210);
    const auto count = [scale](int full) { return std::max(1, int(full * scale)); };
    Site s;
    for (int d = 0; d < count(10000); ++d) {
        UDeviceInfo device;
        device.guid = guid("dev", d);
        device.devName = name(random, "cam-", d);
        device.devNO = QStringLiteral("NO-%1").arg(d);
        device.devIP = QStringLiteral("10.%1.%2.%3").arg(d / 65536).arg(d / 256 % 256).arg(d % 256);
        device.devChannelNum = 4;
        s.devices.append(device);
        for (int c = 1; c <= 4; ++c)
            s.channels.append(
                {guid("ch", d * 4 + c), QStringLiteral("Channel %1").arg(c), device.guid, c});
    }
    // Four levels: 20 sites, 100 buildings, 400 floors, the rest rooms.
    const int regions = count(2000);
    for (int r = 0; r < regions; ++r) {
        const int parent = r < 20 ? -1 : r < 120 ? r % 20 : r < 520 ? 20 + r % 100 : 120 + r % 400;
        s.regions.append({guid("reg", r), parent < 0 ? QString() : guid("reg", parent),
                          name(random, "Area ", r), parent < 0 ? 1 : 2, QString()});
    }
    for (int c = 0; c < s.channels.size(); ++c)
        s.filings.append({s.regions.at(c % regions).guid, s.channels.at(c)});
    for (int v = 0; v < count(200); ++v) {
        s.views.append({guid("view", v), name(random, "View ", v), 16});
        for (int p = 0; p < 16; ++p)
            s.placements.append(
                {guid("view", v), s.channels.at(random.bounded(s.channels.size())), p});
    }
    for (int k = 0; k < count(100); ++k)
        s.servers.append({guid("srv", k), name(random, "server-", k), QStringLiteral("10.9.0.1"),
                          QStringLiteral("u"), QStringLiteral("p"), 9000, k % 5});
    const QString admin = QStringLiteral("88341189");
    s.roles.append({admin, QStringLiteral("Administrator"), QString()});
    for (const RegionInfo& region : s.regions) {
        s.videoGrants.append({admin, region.guid});
        s.alarmGrants.append({admin, region.guid});
    }
    for (int r = 0; r < count(50); ++r) {
        const QString role = guid("role", r);
        s.roles.append({role, name(random, "Role ", r), QString()});
        for (int g = 0; g < std::min(regions, 200); ++g) {
            const QString region = s.regions.at((r * 37 + g) % regions).guid;
            s.videoGrants.append({role, region});
            s.alarmGrants.append({role, region});
        }
        for (const char* type : {"manage.devices", "manage.views", "ptz", "playback"})
            s.permissions.append({guid("perm", s.permissions.size()), role, QLatin1String(type),
                                  QStringLiteral("true")});
    }
    for (int a = 0; a < count(500); ++a)
        s.accounts.append({QStringLiteral("user%1").arg(a), QString(), QString(), QString(),
                           s.roles.at(a % s.roles.size()).guid});
    return s;
}

void install(const Site& s)
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

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double scale = argc > 1 ? QByteArray(argv[1]).toDouble() : 1.0;
    const Site site = makeSite(scale);
    install(site);
    UserManagerCore* core = UserManagerCore::instance();
    const auto pick = [](const auto& list, int k) { return list.at((k * 7919) % list.size()); };
    int sink = 0; // keeps the calls from being optimised away

    struct Row {
        const char* what;
        std::function<void(int)> call;
    };
    const Row rows[] = {
        {"GetDevice(guid)",
         [&](int k) { sink += core->GetDevice(pick(site.devices, k).guid).size(); }},
        {"getDeviceInfoByDeviceGuid",
         [&](int k) {
             sink += core->getDeviceInfoByDeviceGuid(pick(site.devices, k).guid).devPort;
         }},
        {"getDeviceInfoByDeviceID",
         [&](int k) {
             sink += core->getDeviceInfoByDeviceID(pick(site.devices, k).devNO).devPort;
         }},
        {"isExistByCloudNo",
         [&](int k) { sink += core->isExistByCloudNo(pick(site.devices, k).devNO); }},
        {"channelInfoByIP",
         [&](int k) { sink += core->channelInfoByIP(pick(site.devices, k).devIP, 2).channelNo; }},
        {"channelInfoByDeviceNo",
         [&](int k) {
             sink += core->channelInfoByDeviceNo(pick(site.devices, k).devNO, 3).channelNo;
         }},
        {"getDevChannelInfo(device)",
         [&](int k) { sink += core->getDevChannelInfo(pick(site.devices, k).guid).size(); }},
        {"getDevChannelInfoByChannelGuid",
         [&](int k) {
             sink +=
                 core->getDevChannelInfoByChannelGuid(pick(site.channels, k).channelGuid).channelNo;
         }},
        {"getChannelInfoByChannelGuid",
         [&](int k) {
             sink +=
                 core->getChannelInfoByChannelGuid(pick(site.channels, k).channelGuid).channelNo;
         }},
        {"getPlayerInfoByGuid",
         [&](int k) {
             sink += core->getPlayerInfoByGuid(pick(site.channels, k).channelGuid).devInfo.devPort;
         }},
        {"GetAreasWhereChannelIn",
         [&](int k) {
             sink += core->GetAreasWhereChannelIn(pick(site.channels, k).channelGuid).size();
         }},
        {"GetRegionChannel(region)",
         [&](int k) { sink += core->GetRegionChannel(pick(site.regions, k).guid).size(); }},
        {"getChannelInfoByAreaGuid(region, ch)",
         [&](int k) {
             const RegionChannelInfo& f = pick(site.filings, k);
             sink +=
                 core->getChannelInfoByAreaGuid(f.regionGuid, f.channelInfo.channelGuid).channelNo;
         }},
        {"getRegionByGuid",
         [&](int k) { sink += core->getRegionByGuid(pick(site.regions, k).guid).level; }},
        {"getOneRegionByCache(guid)",
         [&](int k) { sink += core->getOneRegionByCache(pick(site.regions, k).guid).size(); }},
        {"getRegionVideo(role)",
         [&](int k) { sink += core->getRegionVideo(pick(site.roles, k).guid).size(); }},
        {"getAlarmRegion(role)",
         [&](int k) { sink += core->getAlarmRegion(pick(site.roles, k).guid).size(); }},
        {"getRolePermission(guid)",
         [&](int k) { sink += core->getRolePermission(pick(site.permissions, k).guid).size(); }},
        {"GetRole(guid), sorted",
         [&](int k) { sink += core->GetRole(pick(site.roles, k).guid).size(); }},
        {"GetViewChannel(view)",
         [&](int k) { sink += core->GetViewChannel(pick(site.views, k).guid).size(); }},
        {"GetServersByType",
         [&](int k) { sink += core->GetServersByType(SERVERTYPE(k % 5)).size(); }},
        {"GetAccount(name)",
         [&](int k) { sink += core->GetAccount(pick(site.accounts, k).userName).size(); }},
        {"getOneRegionByCache(\"\")",
         [&](int) { sink += core->getOneRegionByCache(QString()).size(); }},
    };
    std::printf("scale %.2f: %lld devices, %lld channels, %lld regions, %lld filings\n", scale,
                qint64(site.devices.size()), qint64(site.channels.size()),
                qint64(site.regions.size()), qint64(site.filings.size()));
    for (const Row& row : rows)
        std::printf("%-40s %10.1f us\n", row.what, medianMicroseconds(101, row.call));
    return sink == -1 ? 1 : 0;
}
