// import: a whole site from a file, in dependency order, through the library's operations.
#include "commands.h"
#include "facade.h"
#include "progress.h"
#include "secrets.h"
#include "sitemodel.h"

#include "orsadatacenter.h"

#include <QtCore/QFile>
#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QSet>

#include <functional>

namespace orsactl {
namespace {

using DATACore::UserManagerCore;

QString quoted(const char* kind, const QString& name)
{
    return QStringLiteral("%1 '%2'").arg(QLatin1String(kind), name);
}

int operationCount(const Site& site)
{
    int n = site.accounts.size() + site.regions.size() + site.devices.size() + 1 +
            site.regionChannels.size() + site.views.size() + site.servers.size();
    for (const SiteRole& r : site.roles)
        n += 1 + r.permissions.size() + r.video.size() + r.alarm.size();
    for (const SiteView& v : site.views)
        n += v.channels.size();
    return n;
}

// Link keys: a permission, a grant, a filing or a placement that exists.
QString linkKey(const char* kind, const QString& a, const QString& b, const QString& c = QString())
{
    return QLatin1String(kind) + QLatin1Char('\n') + a + QLatin1Char('\n') + b + QLatin1Char('\n') +
           c;
}

// What the server holds already, by each kind's natural key, so that a run
// after an interrupted one completes the site instead of duplicating it.
struct Existing {
    QHash<QString, QString> roleByName, deviceByNumber, viewByName; // -> guid
    QHash<QString, QString> regionByParentAndName; // parent guid + '\n' + name -> guid
    QSet<QString> accounts, servers, links;

    static QString regionKey(const QString& parentGuid, const QString& name)
    {
        return parentGuid + QLatin1Char('\n') + name;
    }

    Existing()
    {
        for (const RoleInfo& r : core()->GetRole())
            roleByName.insert(r.name, r.guid);
        for (const AccountInfo& a : core()->GetAccount(QString()))
            accounts.insert(a.userName);
        for (const RegionInfo& r : core()->getOneRegionByCache(QString()))
            regionByParentAndName.insert(regionKey(r.parentGuid, r.name), r.guid);
        for (const UDeviceInfo& d : core()->GetDevice(QString())) {
            if (!d.devNO.isEmpty())
                deviceByNumber.insert(d.devNO, d.guid);
        }
        for (const UViewInfo& v : core()->GetView(QString()))
            viewByName.insert(v.name, v.guid);
        for (const UServerInfo& s : core()->GetServers(QString()))
            servers.insert(s.name);
        for (const RolePermissionInfo& p : core()->getRolePermission(QString()))
            links.insert(linkKey("permission", p.roleGuid, p.type, p.value));
        for (const RoleRegionInfo& g : core()->getRegionVideo(QString()))
            links.insert(linkKey("video", g.roleGuid, g.regionGuid));
        for (const RegionAlarmInfo& g : core()->getAlarmRegion(QString()))
            links.insert(linkKey("alarm", g.roleGuid, g.regionGuid));
        for (const RegionChannelInfo& f : std::as_const(cache()->list_region_channel_info()))
            links.insert(linkKey("filing", f.regionGuid, f.channelInfo.channelGuid));
        for (const UViewChannelInfo& p : core()->GetViewChannel(QString()))
            links.insert(linkKey("placement", p.viewGuid, p.channelInfo.channelGuid));
    }
};

class Importer
{
public:
    Importer(const Site& site, bool json)
        : m_site(site), m_progress(operationCount(site)), m_json(json)
    {}

    void run()
    {
        roles();
        accounts();
        regions();
        for (const SiteRole& role : m_site.roles)
            grants(role);
        devices();
        regionChannels();
        views();
        servers();
    }

    int created = 0;
    int kept = 0;
    int keptLinks = 0; // permissions, grants, filings and placements already there
    QStringList keptRecords;
    QStringList problems;
    QList<QStringList> passwords; // user, password

private:
    // Counts one operation's outcome; false when it failed.
    bool outcome(bool done, const QString& operation, const QString& record)
    {
        m_progress.step();
        if (done)
            ++created;
        else
            problems.append(
                QStringLiteral("%1 %2: %3").arg(operation, record, lastRequestReason()));
        return done;
    }

    void skip(const QString& record, const QString& because)
    {
        m_progress.step();
        problems.append(QStringLiteral("skipped %1: %2").arg(record, because));
    }

    void keep(const QString& record)
    {
        m_progress.step();
        ++kept;
        keptRecords.append(record);
    }

    // A link is made once: when it exists it is kept, else added and remembered.
    void link(const QString& key, const QString& record, const std::function<bool()>& add)
    {
        if (m_existing.links.contains(key)) {
            m_progress.step();
            ++keptLinks;
        } else if (outcome(add(), QStringLiteral("add"), record)) {
            m_existing.links.insert(key);
        }
    }

    void roles()
    {
        for (const SiteRole& r : m_site.roles) {
            const QString record = quoted("role", r.name);
            if (r.id == administratorRoleId()) {
                if (core()->GetRole(r.id).isEmpty()) {
                    skip(record, QStringLiteral("the database has no role %1").arg(r.id));
                } else {
                    keep(record);
                    m_roles.insert(r.id, r.id);
                }
            } else if (m_existing.roleByName.contains(r.name)) {
                keep(record);
                m_roles.insert(r.id, m_existing.roleByName.value(r.name));
            } else if (outcome(core()->AddOneRole(r.name, r.describe), QStringLiteral("add"),
                               record)) {
                m_roles.insert(r.id, newGuid());
                m_existing.roleByName.insert(r.name, newGuid());
            }
            permissions(r);
        }
    }

    void permissions(const SiteRole& r)
    {
        for (auto it = r.permissions.cbegin(); it != r.permissions.cend(); ++it) {
            const QString record =
                QStringLiteral("permission '%1' of role '%2'").arg(it.key(), r.name);
            if (!m_roles.contains(r.id)) {
                skip(record, QStringLiteral("the role was not created"));
                continue;
            }
            const QString role = m_roles.value(r.id);
            link(linkKey("permission", role, it.key(), it.value()), record,
                 [&] { return core()->addRolePermission(role, it.key(), it.value()); });
        }
    }

    void accounts()
    {
        for (const SiteAccount& a : m_site.accounts) {
            const QString record = quoted("account", a.name);
            if (m_existing.accounts.contains(a.name)) {
                keep(record);
                continue;
            }
            if (!a.role.isEmpty() && !m_roles.contains(a.role)) {
                skip(record, QStringLiteral("its role '%1' was not created").arg(a.role));
                continue;
            }
            const QString password = a.password.isEmpty() ? randomPassword() : a.password;
            if (!outcome(
                    core()->AddOneAccount(a.name, a.phone, a.mail, password, m_roles.value(a.role)),
                    QStringLiteral("add"), record))
                continue;
            m_existing.accounts.insert(a.name);
            if (a.password.isEmpty())
                announcePassword(a.name, password);
        }
    }

    // Shown the moment the account exists: an import cut short later still
    // leaves its user able to log in. JSON output is one document at the end,
    // so there the line goes to stderr as well.
    void announcePassword(const QString& user, const QString& password)
    {
        passwords.append({user, password});
        const QString line =
            QStringLiteral("password of the new account '%1': %2").arg(user, password);
        if (m_json)
            printError(line);
        else
            printOut(line + QLatin1Char('\n'));
    }

    // Parents come first, otherwise the file's order: a region whose parent
    // comes later in the file waits for it and follows it at once.
    void regions()
    {
        QHash<QString, QList<const SiteRegion*>> waiting; // parent id -> children
        QSet<QString> inFile;
        for (const SiteRegion& r : m_site.regions)
            inFile.insert(r.id);
        QSet<QString> done;
        for (const SiteRegion& r : m_site.regions) {
            if (!r.parent.isEmpty() && !done.contains(r.parent) && inFile.contains(r.parent)) {
                waiting[r.parent].append(&r);
                continue;
            }
            QList<const SiteRegion*> ready{&r};
            while (!ready.isEmpty()) {
                const SiteRegion* next = ready.takeFirst();
                region(*next);
                done.insert(next->id);
                ready = waiting.take(next->id) + ready;
            }
        }
    }

    void region(const SiteRegion& r)
    {
        const QString record = quoted("region", r.name);
        if (!r.parent.isEmpty() && !m_regions.contains(r.parent)) {
            skip(record, QStringLiteral("its parent '%1' was not created").arg(r.parent));
            return;
        }
        const QString parent = m_regions.value(r.parent);
        const int level = r.level > 0          ? r.level
                          : r.parent.isEmpty() ? 1
                                               : m_levels.value(r.parent) + 1;
        const QString key = Existing::regionKey(parent, r.name);
        if (m_existing.regionByParentAndName.contains(key)) {
            keep(record);
            const QString guid = m_existing.regionByParentAndName.value(key);
            m_regions.insert(r.id, guid);
            m_levels.insert(r.id, level);
            completeCreationGrants(guid, r.name);
            return;
        }
        // The library also grants a new region to the user's role and the
        // administrators; a refused grant still leaves the region created.
        const QList<RegionInfo>& cached = cache()->list_region_info();
        const int before = cached.size();
        const bool done = core()->AddOneRegion(r.name, parent, level, r.describe);
        // The cache gains the region whenever the server created it.
        if (cached.size() == before) {
            outcome(false, QStringLiteral("add"), record);
            return;
        }
        outcome(done, done ? QStringLiteral("add") : QStringLiteral("grant the new"), record);
        const QString guid = cached.last().guid;
        m_regions.insert(r.id, guid);
        m_levels.insert(r.id, level);
        m_existing.regionByParentAndName.insert(key, guid);
        // A refused grant was reported above; a later run completes it.
        for (const QString& role : creationGrantRoles()) {
            m_existing.links.insert(linkKey("video", role, guid));
            m_existing.links.insert(linkKey("alarm", role, guid));
        }
    }

    // The roles a region is granted to when created: the user's and the administrators'.
    static QStringList creationGrantRoles()
    {
        QStringList roles{administratorRoleId()};
        const QString own = core()->userRole().guid;
        if (!own.isEmpty() && own != administratorRoleId())
            roles.prepend(own);
        return roles;
    }

    // An interrupted run may have left a region without the grants its
    // creation makes; they are made here, outside the file's own count.
    void completeCreationGrants(const QString& region, const QString& name)
    {
        for (const QString& role : creationGrantRoles()) {
            const struct {
                const char* kind;
                AddGrant add;
            } grants[] = {{"video", &UserManagerCore::addRegionVideo},
                          {"alarm", &UserManagerCore::addAlarmRegion}};
            for (const auto& g : grants) {
                const QString key = linkKey(g.kind, role, region);
                if (m_existing.links.contains(key))
                    continue;
                if ((core()->*g.add)(role, region)) {
                    m_existing.links.insert(key);
                    ++created;
                } else {
                    problems.append(
                        QStringLiteral("add %1 grant of region '%2' to role '%3': %4")
                            .arg(QLatin1String(g.kind), name, role, lastRequestReason()));
                }
            }
        }
    }

    using AddGrant = bool (UserManagerCore::*)(const QString&, const QString&);

    void grantList(const SiteRole& r, const QStringList& regionIds, AddGrant add, const char* what)
    {
        for (const QString& regionId : regionIds) {
            const QString record = QStringLiteral("%1 grant of region '%2' to role '%3'")
                                       .arg(QLatin1String(what), regionId, r.name);
            if (!m_roles.contains(r.id) || !m_regions.contains(regionId)) {
                skip(record, QStringLiteral("the role or the region was not created"));
                continue;
            }
            const QString role = m_roles.value(r.id);
            const QString region = m_regions.value(regionId);
            link(linkKey(what, role, region), record, [&] { return (core()->*add)(role, region); });
        }
    }

    void grants(const SiteRole& r)
    {
        grantList(r, r.video, &UserManagerCore::addRegionVideo, "video");
        grantList(r, r.alarm, &UserManagerCore::addAlarmRegion, "alarm");
    }

    void devices()
    {
        for (const SiteDevice& d : m_site.devices) {
            const QString record = quoted("device", d.name);
            if (!d.number.isEmpty() && m_existing.deviceByNumber.contains(d.number)) {
                keep(record);
                m_devices.insert(d.id, m_existing.deviceByNumber.value(d.number));
            } else if (outcome(core()->AddDevice(d.name, d.number, d.login, d.password, d.ip,
                                                 d.port, d.channels, d.vendor, d.type, 0),
                               QStringLiteral("add"), record)) {
                m_devices.insert(d.id, newGuid());
                if (!d.number.isEmpty())
                    m_existing.deviceByNumber.insert(d.number, newGuid());
            }
        }
        // The server made the new devices' channels; the cache learns them here.
        bool ok = false;
        core()->getDevChannelInfoFromSDK(QString(), ok);
        m_progress.step();
        if (!core()->lastRequestOutcome().succeeded())
            problems.append(
                QStringLiteral("fetch the device channels: %1").arg(lastRequestReason()));
    }

    // The channel's guid, or empty when its device was not created.
    QString channelGuid(const SiteChannelRef& ref)
    {
        if (!m_devices.contains(ref.device))
            return QString();
        return core()
            ->channelInfoByDeviceGUID(m_devices.value(ref.device), ref.channel)
            .channelGuid;
    }

    void regionChannels()
    {
        for (const SiteRegionChannel& f : m_site.regionChannels) {
            const QString record = QStringLiteral("channel %1 of device '%2' in region '%3'")
                                       .arg(f.channel.channel)
                                       .arg(f.channel.device, f.region);
            const QString channel = channelGuid(f.channel);
            if (channel.isEmpty() || !m_regions.contains(f.region)) {
                skip(record, QStringLiteral("the device or the region was not created"));
                continue;
            }
            const QString region = m_regions.value(f.region);
            const QString name = f.name.isEmpty()
                                     ? core()->getDevChannelInfoByChannelGuid(channel).channelName
                                     : f.name;
            link(linkKey("filing", region, channel), record,
                 [&] { return core()->AddRegionChannel(region, channel, name); });
        }
    }

    void views()
    {
        for (const SiteView& v : m_site.views) {
            const QString record = quoted("view", v.name);
            QString view = m_existing.viewByName.value(v.name);
            if (!view.isEmpty()) {
                keep(record);
            } else if (outcome(core()->AddView(v.name, v.divide), QStringLiteral("add"), record)) {
                view = newGuid();
                m_existing.viewByName.insert(v.name, view);
            }
            for (const SitePlacement& p : v.channels) {
                const QString placement = QStringLiteral("channel %1 of device '%2' in view '%3'")
                                              .arg(p.channel.channel)
                                              .arg(p.channel.device, v.name);
                const QString channel = channelGuid(p.channel);
                if (view.isEmpty() || channel.isEmpty()) {
                    skip(placement, QStringLiteral("the view or the device was not created"));
                    continue;
                }
                link(linkKey("placement", view, channel), placement,
                     [&] { return core()->AddViewChannel(view, channel, p.position); });
            }
        }
    }

    void servers()
    {
        for (const SiteServer& s : m_site.servers) {
            const QString record = quoted("server", s.name);
            if (m_existing.servers.contains(s.name))
                keep(record);
            else if (outcome(core()->AddServer(s.name, s.ip, s.login, s.password, s.port, s.type),
                             QStringLiteral("add"), record))
                m_existing.servers.insert(s.name);
        }
    }

    const Site& m_site;
    Progress m_progress;
    const bool m_json;
    Existing m_existing;
    QHash<QString, QString> m_roles, m_regions, m_devices; // file id -> guid
    QHash<QString, int> m_levels;
};

Site readSiteFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(ExitFailed,
                      QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    Site site;
    QString error;
    if (!readSite(file.readAll(), site, error))
        throw Failure(ExitFailed, QStringLiteral("%1:%2 (nothing imported)").arg(path, error));
    return site;
}

void printReport(const Context& ctx, const QString& path, const Importer& importer)
{
    if (ctx.json()) {
        QJsonObject passwords;
        for (const QStringList& row : importer.passwords)
            passwords.insert(row.at(0), row.at(1));
        printJson(
            QJsonObject{{QStringLiteral("created"), importer.created},
                        {QStringLiteral("kept"), importer.kept + importer.keptLinks},
                        {QStringLiteral("failed"), importer.problems.size()},
                        {QStringLiteral("problems"), QJsonArray::fromStringList(importer.problems)},
                        {QStringLiteral("passwords"), passwords}});
        return;
    }
    QString out = QStringLiteral("imported %1: %2 created, %3 kept, %4 failed\n")
                      .arg(path)
                      .arg(importer.created)
                      .arg(importer.kept + importer.keptLinks)
                      .arg(importer.problems.size());
    for (const QString& record : importer.keptRecords)
        out += QStringLiteral("kept %1 (already there)\n").arg(record);
    if (importer.keptLinks > 0)
        out +=
            QStringLiteral("kept %1 permissions, grants, filings and placements (already there)\n")
                .arg(importer.keptLinks);
    printOut(out);
}

} // namespace

int runImport(Context& ctx)
{
    ctx.expectArgs(1, 1);
    const QString path = ctx.args.at(0);
    // The whole file is checked before the first request.
    const Site site = readSiteFile(path);
    ctx.session();
    Importer importer(site, ctx.json());
    importer.run();
    for (const QString& problem : importer.problems)
        printError(QStringLiteral("import: ") + problem);
    printReport(ctx, path, importer);
    return importer.problems.isEmpty() ? ExitOk : ExitFailed;
}

} // namespace orsactl
