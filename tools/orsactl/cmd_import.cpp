// import: a whole site from a file, in dependency order, through the library's operations.
#include "commands.h"
#include "facade.h"
#include "progress.h"
#include "secrets.h"
#include "sitemodel.h"
#include "table.h"

#include "orsadatacenter.h"

#include <QtCore/QFile>
#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>

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

class Importer
{
public:
    explicit Importer(const Site& site) : m_site(site), m_progress(operationCount(site)) {}

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

    void keepLink()
    {
        m_progress.step();
        ++keptLinks;
    }

    void roles()
    {
        for (const SiteRole& r : m_site.roles) {
            const QString record = quoted("role", r.name);
            if (r.id == administratorRoleId()) {
                if (core()->GetRole(r.id).isEmpty())
                    skip(record, QStringLiteral("the database has no role %1").arg(r.id));
                else
                    keep(record);
                if (!core()->GetRole(r.id).isEmpty())
                    m_roles.insert(r.id, r.id);
            } else if (outcome(core()->AddOneRole(r.name, r.describe), QStringLiteral("add"),
                               record)) {
                m_roles.insert(r.id, newGuid());
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
            bool there = false;
            for (const RolePermissionInfo& p : core()->getRolePermission(QString()))
                there =
                    there || (p.roleGuid == role && p.type == it.key() && p.value == it.value());
            if (there)
                keepLink();
            else
                outcome(core()->addRolePermission(role, it.key(), it.value()),
                        QStringLiteral("add"), record);
        }
    }

    void accounts()
    {
        for (const SiteAccount& a : m_site.accounts) {
            const QString record = quoted("account", a.name);
            bool exists = false;
            for (const AccountInfo& candidate : core()->GetAccount(a.name))
                exists = exists || candidate.userName == a.name;
            if (exists) {
                keep(record);
                continue;
            }
            if (!a.role.isEmpty() && !m_roles.contains(a.role)) {
                skip(record, QStringLiteral("its role '%1' was not created").arg(a.role));
                continue;
            }
            const QString password = a.password.isEmpty() ? randomPassword() : a.password;
            if (outcome(
                    core()->AddOneAccount(a.name, a.phone, a.mail, password, m_roles.value(a.role)),
                    QStringLiteral("add"), record) &&
                a.password.isEmpty())
                passwords.append({a.name, password});
        }
    }

    // Parents come first: the file is read in order, and a region whose parent
    // is still to come waits for a later pass.
    void regions()
    {
        QList<SiteRegion> pending = m_site.regions;
        QSet<QString> failed;
        while (!pending.isEmpty()) {
            const int before = pending.size();
            for (auto it = pending.begin(); it != pending.end();) {
                const SiteRegion& r = *it;
                const bool ready = r.parent.isEmpty() || m_regions.contains(r.parent);
                if (!ready && !failed.contains(r.parent)) {
                    ++it;
                    continue;
                }
                if (!ready) {
                    skip(quoted("region", r.name),
                         QStringLiteral("its parent '%1' was not created").arg(r.parent));
                    failed.insert(r.id);
                } else {
                    createRegion(r, failed);
                }
                it = pending.erase(it);
            }
            if (pending.size() == before)
                break; // cannot happen for a file that was read: parents exist, no cycles
        }
    }

    void createRegion(const SiteRegion& r, QSet<QString>& failed)
    {
        const int level = r.level > 0          ? r.level
                          : r.parent.isEmpty() ? 1
                                               : m_levels.value(r.parent) + 1;
        // The library also grants a new region to the user's role and the
        // administrators; a refused grant still leaves the region created.
        const QList<RegionInfo>& cached = cache()->list_region_info();
        const int before = cached.size();
        const bool done =
            core()->AddOneRegion(r.name, m_regions.value(r.parent), level, r.describe);
        // The cache gains the region whenever the server created it.
        if (cached.size() == before) {
            outcome(false, QStringLiteral("add"), quoted("region", r.name));
            failed.insert(r.id);
            return;
        }
        outcome(done, done ? QStringLiteral("add") : QStringLiteral("grant the new"),
                quoted("region", r.name));
        m_regions.insert(r.id, cached.last().guid);
        m_levels.insert(r.id, level);
    }

    using AddGrant = bool (UserManagerCore::*)(const QString&, const QString&);

    template <typename Grant>
    void grantList(const SiteRole& r, const QStringList& regionIds, const QList<Grant>& existing,
                   AddGrant add, const char* what)
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
            bool there = false;
            for (const Grant& g : existing)
                there = there || (g.roleGuid == role && g.regionGuid == region);
            if (there)
                keepLink();
            else
                outcome((core()->*add)(role, region), QStringLiteral("add"), record);
        }
    }

    void grants(const SiteRole& r)
    {
        grantList(r, r.video, cache()->list_role_region_info(), &UserManagerCore::addRegionVideo,
                  "video");
        grantList(r, r.alarm, cache()->list_region_alarm_info(), &UserManagerCore::addAlarmRegion,
                  "alarm");
    }

    void devices()
    {
        for (const SiteDevice& d : m_site.devices) {
            if (outcome(core()->AddDevice(d.name, d.number, d.login, d.password, d.ip, d.port,
                                          d.channels, d.vendor, d.type, 0),
                        QStringLiteral("add"), quoted("device", d.name)))
                m_devices.insert(d.id, newGuid());
        }
        // The server made the new devices' channels; the cache learns them here.
        bool ok = false;
        core()->getDevChannelInfoFromSDK(QString(), ok);
        m_progress.step();
        if (!ok)
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
            bool there = false;
            for (const RegionChannelInfo& existing : cache()->list_region_channel_info())
                there = there || (existing.regionGuid == region &&
                                  existing.channelInfo.channelGuid == channel);
            const QString name = f.name.isEmpty()
                                     ? core()->getDevChannelInfoByChannelGuid(channel).channelName
                                     : f.name;
            if (there)
                keepLink();
            else
                outcome(core()->AddRegionChannel(region, channel, name), QStringLiteral("add"),
                        record);
        }
    }

    void views()
    {
        for (const SiteView& v : m_site.views) {
            const bool done = outcome(core()->AddView(v.name, v.divide), QStringLiteral("add"),
                                      quoted("view", v.name));
            const QString view = done ? newGuid() : QString();
            for (const SitePlacement& p : v.channels) {
                const QString record = QStringLiteral("channel %1 of device '%2' in view '%3'")
                                           .arg(p.channel.channel)
                                           .arg(p.channel.device, v.name);
                const QString channel = channelGuid(p.channel);
                if (view.isEmpty() || channel.isEmpty()) {
                    skip(record, QStringLiteral("the view or the device was not created"));
                    continue;
                }
                bool there = false;
                for (const UViewChannelInfo& existing : core()->GetViewChannel(view))
                    there = there || existing.channelInfo.channelGuid == channel;
                if (there)
                    keepLink();
                else
                    outcome(core()->AddViewChannel(view, channel, p.position),
                            QStringLiteral("add"), record);
            }
        }
    }

    void servers()
    {
        for (const SiteServer& s : m_site.servers)
            outcome(core()->AddServer(s.name, s.ip, s.login, s.password, s.port, s.type),
                    QStringLiteral("add"), quoted("server", s.name));
    }

    const Site& m_site;
    Progress m_progress;
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
    if (!importer.passwords.isEmpty())
        out +=
            QStringLiteral("\nPasswords of the new accounts, shown this once:\n") +
            formatTable({QStringLiteral("USER"), QStringLiteral("PASSWORD")}, importer.passwords);
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
    Importer importer(site);
    importer.run();
    for (const QString& problem : importer.problems)
        printError(QStringLiteral("import: ") + problem);
    printReport(ctx, path, importer);
    return importer.problems.isEmpty() ? ExitOk : ExitFailed;
}

} // namespace orsactl
