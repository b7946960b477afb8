#include "sitegenerate.h"

#include "secrets.h"

#include <QtCore/QRandomGenerator>
#include <QtCore/QVector>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orsactl {
namespace {

// Counts of the site at scale 1.
constexpr int kDevices = 10000, kChannelsPerDevice = 4, kRegions = 2000, kViews = 200, kPanes = 16,
              kServers = 100, kRoles = 50, kAccounts = 500;
// The share of all regions each role is granted for video (about 200 of 2,000).
constexpr double kGrantedShare = 0.1;

int scaled(int full, double scale)
{
    return std::max(1, int(std::lround(full * scale)));
}

class Names
{
public:
    explicit Names(quint32 seed) : m_random(seed) {}

    int below(int n) { return int(m_random.bounded(quint32(n))); }

    // One of the words, then the number: unique wherever the numbers are.
    QString pick(std::initializer_list<const char*> words, int number)
    {
        const int i = below(int(words.size()));
        return QStringLiteral("%1 %2").arg(QString::fromUtf8(words.begin()[i])).arg(number);
    }

    QString token(int length) { return randomText(m_random, length); }

    // count distinct indices below n, in increasing order.
    QVector<int> sample(int n, int count)
    {
        QVector<int> all(n);
        std::iota(all.begin(), all.end(), 0);
        count = std::min(count, n);
        for (int i = 0; i < count; ++i)
            std::swap(all[i], all[i + below(n - i)]);
        all.resize(count);
        std::sort(all.begin(), all.end());
        return all;
    }

private:
    QRandomGenerator m_random;
};

// How many regions stand at each of the four levels: few sites, more
// buildings, floors, and zones under half of the floors.
QVector<int> levelSizes(int n)
{
    const int l1 = std::max(1, int(std::lround(n * 0.02)));
    const int l2 = std::min(n - l1, std::max(1, int(std::lround(n * 0.18))));
    int l4 = std::min(n - l1 - l2, int(std::lround(n * 0.30)));
    int l3 = n - l1 - l2 - l4;
    if (l3 < 1) {
        l3 += l4;
        l4 = 0;
    }
    return {l1, l2, l3, l4};
}

// Regions level by level, parents first; returns the indices of the regions
// without children, where the channels are filed.
QVector<int> addRegions(Site& site, Names& names, int count)
{
    static const std::initializer_list<const char*> words[] = {
        {"总部园区", "East Campus", "北区厂区", "West Campus", "物流园", "Plant"},
        {"办公楼", "Building", "仓库", "Warehouse", "车间", "Workshop", "宿舍楼", "Parking"},
        {"一层", "Floor", "大厅", "Lobby", "走廊", "Corridor", "机房", "Gate"},
        {"东侧", "North wing", "西侧", "South wing", "出入口", "Entrance", "通道", "Bay"},
    };
    const QVector<int> sizes = levelSizes(count);
    QVector<bool> hasChildren(count, false);
    int first = 0; // index of the level's first region
    int parentFirst = 0, parentCount = 0;
    for (int level = 0; level < sizes.size(); ++level) {
        // Zones go under the first half of the floors only, so leaves stand
        // 3 and 4 deep.
        const int parents = level == 3 ? std::max(1, parentCount / 2) : parentCount;
        for (int i = 0; i < sizes.at(level); ++i) {
            const int index = first + i;
            QString parent;
            if (level > 0) {
                // Each parent gets one child first, then the rest go at random.
                const int p = parentFirst + (i < parents ? i : names.below(parents));
                hasChildren[p] = true;
                parent = site.regions.at(p).id;
            }
            site.regions.append(
                {QStringLiteral("r%1").arg(index + 1), parent, names.pick(words[level], index + 1),
                 names.below(4) == 0 ? QStringLiteral("巡检 %1").arg(level + 1) : QString(),
                 level + 1});
        }
        parentFirst = first;
        parentCount = sizes.at(level);
        first += sizes.at(level);
    }
    QVector<int> leaves;
    for (int i = 0; i < count; ++i) {
        if (!hasChildren.at(i))
            leaves.append(i);
    }
    return leaves;
}

void addDevices(Site& site, Names& names, int count, const QVector<int>& leaves)
{
    for (int i = 0; i < count; ++i) {
        const SiteDevice device{
            QStringLiteral("d%1").arg(i + 1),
            names.pick({"球机", "Dome", "枪机", "Bullet", "半球", "PTZ", "NVR", "摄像机"}, i + 1),
            QStringLiteral("DEV%1").arg(i + 1, 5, 10, QLatin1Char('0')),
            QStringLiteral("admin"),
            names.token(12),
            QStringLiteral("10.%1.%2.%3").arg(i / 62500 + 1).arg(i / 250 % 250).arg(i % 250 + 1),
            8000,
            kChannelsPerDevice,
            1 + names.below(3),
            1 + names.below(2)};
        site.devices.append(device);
        // Devices in blocks over the leaves, so each leaf holds neighbours.
        const QString region =
            site.regions.at(leaves.at(int(qint64(i) * leaves.size() / count))).id;
        for (int c = 1; c <= kChannelsPerDevice; ++c)
            site.regionChannels.append(
                {region,
                 {device.id, c},
                 QStringLiteral("%1 %2 %3")
                     .arg(device.name,
                          names.below(2) ? QStringLiteral("通道") : QStringLiteral("Ch"))
                     .arg(c)});
    }
}

void addViews(Site& site, Names& names, int count)
{
    const int channels = site.devices.size() * kChannelsPerDevice;
    const int panes = std::min(kPanes, channels);
    const int stride = channels / panes;
    for (int i = 0; i < count; ++i) {
        SiteView view{QStringLiteral("v%1").arg(i + 1),
                      names.pick({"电视墙", "Video wall", "监控台", "Control desk", "大屏"}, i + 1),
                      kPanes,
                      {}};
        // Distinct channels, spread over the site.
        const int start = names.below(channels);
        for (int p = 0; p < panes; ++p) {
            const int channel = (start + p * stride) % channels;
            view.channels.append({{site.devices.at(channel / kChannelsPerDevice).id,
                                   channel % kChannelsPerDevice + 1},
                                  p});
        }
        site.views.append(view);
    }
}

void addServers(Site& site, Names& names, int count)
{
    for (int i = 0; i < count; ++i) {
        const int type = 1 + names.below(5);
        site.servers.append({QStringLiteral("s%1").arg(i + 1),
                             names.pick({"流媒体服务器", "Storage server", "报警服务器",
                                         "Recording server", "解码服务器", "Gateway"},
                                        i + 1),
                             QStringLiteral("172.16.%1.%2").arg(i / 250).arg(i % 250 + 1),
                             QStringLiteral("orsa"), names.token(12), 7000 + type * 100, type});
    }
}

void addRoles(Site& site, Names& names, int count)
{
    const int granted = std::max(1, int(std::lround(site.regions.size() * kGrantedShare)));
    for (int i = 0; i < count; ++i) {
        SiteRole role{
            QStringLiteral("role%1").arg(i + 1),
            names.pick({"值班员", "Operator", "安保", "Guard", "主管", "Supervisor"}, i + 1),
            names.below(2) ? QStringLiteral("Shift %1").arg(i % 3 + 1) : QString(),
            {},
            {},
            {}};
        role.permissions.insert(QStringLiteral("live_view"), QStringLiteral("true"));
        for (const char* type : {"playback", "ptz_control", "alarm_handle", "export_video"})
            role.permissions.insert(QLatin1String(type), names.below(2) ? QStringLiteral("true")
                                                                        : QStringLiteral("false"));
        const QVector<int> regions = names.sample(site.regions.size(), granted);
        for (int r = 0; r < regions.size(); ++r) {
            const QString& id = site.regions.at(regions.at(r)).id;
            role.video.append(id);
            if (r % 4 == 0)
                role.alarm.append(id);
        }
        site.roles.append(role);
    }
}

void addAccounts(Site& site, Names& names, int count)
{
    for (int i = 0; i < count; ++i) {
        const QString name =
            names.pick({"zhang.wei", "李娜", "wang.fang", "刘洋", "chen.jie", "guard"}, i + 1)
                .replace(QLatin1Char(' '), QLatin1Char('.'));
        site.accounts.append({name, QStringLiteral("139%1").arg(i + 1, 8, 10, QLatin1Char('0')),
                              QStringLiteral("user%1@example.com").arg(i + 1),
                              site.roles.at(names.below(site.roles.size())).id, QString()});
    }
}

} // namespace

Site generateSite(const SiteSize& size)
{
    Site site;
    Names names(size.seed);
    const QVector<int> leaves = addRegions(site, names, scaled(kRegions, size.scale));
    addDevices(site, names, scaled(kDevices, size.scale), leaves);
    addViews(site, names, scaled(kViews, size.scale));
    addServers(site, names, scaled(kServers, size.scale));
    addRoles(site, names, scaled(kRoles, size.scale));
    if (size.accounts)
        addAccounts(site, names, scaled(kAccounts, size.scale));
    return site;
}

} // namespace orsactl
