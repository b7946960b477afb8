// The site file written from the cache.
#include "sitemodel.h"

#include "facade.h"

#include "orsadatacenter.h"

#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSet>

#include <algorithm>

namespace orsactl {
namespace {

// File ids made from names; a repeated name gets a number.
class IdMaker
{
public:
    QString make(const QString& base)
    {
        QString id = base;
        for (int n = 2; m_used.contains(id); ++n)
            id = QStringLiteral("%1 #%2").arg(base).arg(n);
        m_used.insert(id);
        return id;
    }

private:
    QSet<QString> m_used;
};

QJsonArray strings(const QStringList& list)
{
    return QJsonArray::fromStringList(list);
}

QJsonObject channelRef(const SiteChannelRef& ref)
{
    return {{QStringLiteral("device"), ref.device}, {QStringLiteral("channel"), ref.channel}};
}

// Regions with every parent before its children, otherwise in cache order; a
// region whose parent is gone counts as a top-level one.
QList<RegionInfo> parentsFirst(QList<RegionInfo> pending)
{
    QSet<QString> all;
    for (const RegionInfo& r : pending)
        all.insert(r.guid);
    QList<RegionInfo> ordered;
    QSet<QString> placed;
    while (!pending.isEmpty()) {
        const int before = pending.size();
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->parentGuid.isEmpty() || !all.contains(it->parentGuid) ||
                placed.contains(it->parentGuid)) {
                placed.insert(it->guid);
                ordered.append(*it);
                it = pending.erase(it);
            } else {
                ++it;
            }
        }
        if (pending.size() == before) { // a cycle: cut it where it stands
            ordered.append(pending);
            break;
        }
    }
    return ordered;
}

} // namespace

QByteArray writeSite(const Site& site, Credentials credentials)
{
    QJsonArray roles;
    for (const SiteRole& r : site.roles) {
        QJsonObject permissions;
        for (auto it = r.permissions.cbegin(); it != r.permissions.cend(); ++it)
            permissions.insert(it.key(), it.value());
        roles.append(QJsonObject{{QStringLiteral("id"), r.id},
                                 {QStringLiteral("name"), r.name},
                                 {QStringLiteral("describe"), r.describe},
                                 {QStringLiteral("permissions"), permissions},
                                 {QStringLiteral("video"), strings(r.video)},
                                 {QStringLiteral("alarm"), strings(r.alarm)}});
    }
    QJsonArray accounts;
    for (const SiteAccount& a : site.accounts) {
        QJsonObject account{{QStringLiteral("name"), a.name},
                            {QStringLiteral("phone"), a.phone},
                            {QStringLiteral("mail"), a.mail},
                            {QStringLiteral("role"), a.role}};
        if (!a.password.isEmpty())
            account.insert(QStringLiteral("password"), a.password);
        accounts.append(account);
    }
    QJsonArray regions;
    for (const SiteRegion& r : site.regions)
        regions.append(QJsonObject{{QStringLiteral("id"), r.id},
                                   {QStringLiteral("name"), r.name},
                                   {QStringLiteral("parent"), r.parent},
                                   {QStringLiteral("level"), r.level},
                                   {QStringLiteral("describe"), r.describe}});
    const bool withPasswords = credentials == Credentials::Included;
    QJsonArray devices;
    for (const SiteDevice& d : site.devices) {
        QJsonObject device{{QStringLiteral("id"), d.id},
                           {QStringLiteral("name"), d.name},
                           {QStringLiteral("number"), d.number},
                           {QStringLiteral("login"), d.login},
                           {QStringLiteral("ip"), d.ip},
                           {QStringLiteral("port"), d.port},
                           {QStringLiteral("channels"), d.channels},
                           {QStringLiteral("vendor"), d.vendor},
                           {QStringLiteral("type"), d.type}};
        if (withPasswords)
            device.insert(QStringLiteral("password"), d.password);
        devices.append(device);
    }
    QJsonArray regionChannels;
    for (const SiteRegionChannel& f : site.regionChannels) {
        QJsonObject filing = channelRef(f.channel);
        filing.insert(QStringLiteral("region"), f.region);
        filing.insert(QStringLiteral("name"), f.name);
        regionChannels.append(filing);
    }
    QJsonArray views;
    for (const SiteView& v : site.views) {
        QJsonArray placements;
        for (const SitePlacement& p : v.channels) {
            QJsonObject placement = channelRef(p.channel);
            placement.insert(QStringLiteral("position"), p.position);
            placements.append(placement);
        }
        views.append(QJsonObject{{QStringLiteral("id"), v.id},
                                 {QStringLiteral("name"), v.name},
                                 {QStringLiteral("divide"), v.divide},
                                 {QStringLiteral("channels"), placements}});
    }
    QJsonArray servers;
    for (const SiteServer& s : site.servers) {
        QJsonObject server{{QStringLiteral("id"), s.id},       {QStringLiteral("name"), s.name},
                           {QStringLiteral("ip"), s.ip},       {QStringLiteral("port"), s.port},
                           {QStringLiteral("login"), s.login}, {QStringLiteral("type"), s.type}};
        if (withPasswords)
            server.insert(QStringLiteral("password"), s.password);
        servers.append(server);
    }
    const QJsonObject root{{QStringLiteral("roles"), roles},
                           {QStringLiteral("accounts"), accounts},
                           {QStringLiteral("regions"), regions},
                           {QStringLiteral("devices"), devices},
                           {QStringLiteral("regionChannels"), regionChannels},
                           {QStringLiteral("views"), views},
                           {QStringLiteral("servers"), servers}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Site siteFromCache()
{
    Site site;

    QHash<QString, QString> regionIds;
    QHash<QString, int> regionOrder;
    IdMaker regionIdMaker;
    for (const RegionInfo& r : parentsFirst(cache()->list_region_info())) {
        const QString parent = regionIds.value(r.parentGuid);
        const QString id =
            regionIdMaker.make(parent.isEmpty() ? r.name : parent + QLatin1Char('/') + r.name);
        regionIds.insert(r.guid, id);
        regionOrder.insert(r.guid, site.regions.size());
        site.regions.append({id, parent, r.name, r.describe, r.level});
    }

    // Grants in region order: creating a region grants it at once, so the
    // server's order of grants depends on how the site was built.
    auto grantedRegions = [&](const auto& grants, const QString& role) {
        QList<QString> guids;
        for (const auto& g : grants) {
            if (g.roleGuid == role && regionIds.contains(g.regionGuid))
                guids.append(g.regionGuid);
        }
        std::sort(guids.begin(), guids.end(), [&](const QString& a, const QString& b) {
            return regionOrder.value(a) < regionOrder.value(b);
        });
        QStringList ids;
        for (const QString& guid : guids)
            ids.append(regionIds.value(guid));
        ids.removeDuplicates();
        return ids;
    };

    QHash<QString, QString> roleIds;
    IdMaker roleIdMaker;
    for (const RoleInfo& r : core()->GetRole()) {
        const QString id = roleIdMaker.make(r.guid == administratorRoleId() ? r.guid : r.name);
        roleIds.insert(r.guid, id);
        SiteRole role{id, r.name, r.describe, {}, {}, {}};
        for (const RolePermissionInfo& p : core()->getRolePermission(QString())) {
            if (p.roleGuid == r.guid)
                role.permissions.insert(p.type, p.value);
        }
        role.video = grantedRegions(cache()->list_role_region_info(), r.guid);
        role.alarm = grantedRegions(cache()->list_region_alarm_info(), r.guid);
        site.roles.append(role);
    }

    for (const AccountInfo& a : std::as_const(cache()->list_account_Info()))
        site.accounts.append({a.userName, a.phone, a.mail, roleIds.value(a.roleGuid), QString()});

    QHash<QString, QString> deviceIds;
    IdMaker deviceIdMaker;
    for (const UDeviceInfo& d : core()->GetDevice(QString())) {
        const QString id = deviceIdMaker.make(d.devName);
        deviceIds.insert(d.guid, id);
        site.devices.append({id, d.devName, d.devNO, d.devUser, d.devPassword, d.devIP, d.devPort,
                             d.devChannelNum, d.devVender, d.devType});
    }

    for (const RegionChannelInfo& f : std::as_const(cache()->list_region_channel_info())) {
        const DeviceChancelInfo& c = f.channelInfo;
        if (regionIds.contains(f.regionGuid) && deviceIds.contains(c.devGuid))
            site.regionChannels.append({regionIds.value(f.regionGuid),
                                        {deviceIds.value(c.devGuid), c.channelNo},
                                        c.channelName});
    }

    IdMaker viewIdMaker;
    for (const UViewInfo& v : core()->GetView(QString())) {
        SiteView view{viewIdMaker.make(v.name), v.name, v.divide, {}};
        for (const UViewChannelInfo& p : core()->GetViewChannel(v.guid)) {
            const DeviceChancelInfo& c = p.channelInfo;
            if (deviceIds.contains(c.devGuid))
                view.channels.append({{deviceIds.value(c.devGuid), c.channelNo}, p.position});
        }
        std::sort(view.channels.begin(), view.channels.end(),
                  [](const SitePlacement& a, const SitePlacement& b) {
                      return std::tie(a.position, a.channel.device, a.channel.channel) <
                             std::tie(b.position, b.channel.device, b.channel.channel);
                  });
        site.views.append(view);
    }

    IdMaker serverIdMaker;
    for (const UServerInfo& s : core()->GetServers(QString()))
        site.servers.append(
            {serverIdMaker.make(s.name), s.name, s.ip, s.user, s.password, s.port, s.type});
    return site;
}

} // namespace orsactl
