// Every lookup the facade offers, on a cache holding a large site: 10,000
// devices of 4 channels, 2,000 regions 3 to 4 deep with every channel filed
// once, 200 views of 16 panes, 100 servers, 50 roles each granted about 200
// regions, 500 accounts. Prints the median time of one call of each.
//
// Usage: bench_lookups [scale]   (default 1.0: the full site; 0.1 a tenth)
#include "lookuprows.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QRandomGenerator>

#include <algorithm>
#include <cstdio>

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

CacheLists makeSite(double scale)
{
    QRandomGenerator random(20261210);
    const auto count = [scale](int full) { return std::max(1, int(full * scale)); };
    CacheLists s;
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double scale = argc > 1 ? QByteArray(argv[1]).toDouble() : 1.0;
    const CacheLists site = makeSite(scale);
    installLists(site);
    std::printf("scale %.2f: %lld devices, %lld channels, %lld regions, %lld filings\n", scale,
                qint64(site.devices.size()), qint64(site.channels.size()),
                qint64(site.regions.size()), qint64(site.filings.size()));
    printLookupTimes(site);
    return 0;
}
