// tree: the regions the user may see, nested, with the channels filed in each.
#include "commands.h"
#include "facade.h"

#include "orsadatacenter.h"

#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>

namespace orsactl {
namespace {

struct Tree {
    QList<RegionInfo> top;
    QHash<QString, QList<RegionInfo>> children;
};

// Visible regions in pinyin order; a region under an invisible parent stands at the top.
Tree visibleTree()
{
    const QList<RegionInfo> visible = core()->GetOneRegion(QString());
    QSet<QString> guids;
    for (const RegionInfo& region : visible)
        guids.insert(region.guid);
    Tree tree;
    for (const RegionInfo& region : visible) {
        const bool nested = !region.parentGuid.isEmpty() && region.parentGuid != region.guid &&
                            guids.contains(region.parentGuid);
        if (nested)
            tree.children[region.parentGuid].append(region);
        else
            tree.top.append(region);
    }
    return tree;
}

QList<DeviceChancelInfo> channelsIn(const RegionInfo& region)
{
    return core()->getRegionChannelByCache(region.guid);
}

void writeText(const Tree& tree, const QList<RegionInfo>& level, const QString& indent,
               QString& out)
{
    for (const RegionInfo& region : level) {
        out += indent + region.name + QLatin1Char('\n');
        for (const DeviceChancelInfo& channel : channelsIn(region))
            out += indent + QStringLiteral("  - ") + channel.channelName + QLatin1Char('\n');
        writeText(tree, tree.children.value(region.guid), indent + QStringLiteral("  "), out);
    }
}

QJsonArray toJson(const Tree& tree, const QList<RegionInfo>& level)
{
    QJsonArray array;
    for (const RegionInfo& region : level) {
        QJsonArray channels;
        for (const DeviceChancelInfo& channel : channelsIn(region))
            channels.append(QJsonObject{{QStringLiteral("guid"), channel.channelGuid},
                                        {QStringLiteral("name"), channel.channelName}});
        array.append(QJsonObject{
            {QStringLiteral("guid"), region.guid},
            {QStringLiteral("name"), region.name},
            {QStringLiteral("channels"), channels},
            {QStringLiteral("children"), toJson(tree, tree.children.value(region.guid))}});
    }
    return array;
}

} // namespace

int runTree(Context& ctx)
{
    ctx.expectArgs(0, 0);
    ctx.session();
    const Tree tree = visibleTree();
    if (ctx.json()) {
        printJson(toJson(tree, tree.top));
        return ExitOk;
    }
    QString out;
    writeText(tree, tree.top, QString(), out);
    printOut(out);
    return ExitOk;
}

} // namespace orsactl
