#include "kinds.h"

#include "facade.h"
#include "table.h"

#include "orsadatacenter.h"

#include <QTextCodec>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>

#include <algorithm>
#include <functional>

namespace orsactl {
namespace {

// The lower-cased pinyin initials of a name, the data layer's sort key.
QString pinyinKey(const QString& name)
{
    static QTextCodec* const gb18030 = QTextCodec::codecForName("GB18030");
    QString initials;
    cache()->GetFirstLetter(gb18030->fromUnicode(name), initials);
    return initials.toLower();
}

Listing columns(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    Listing listing;
    for (const auto& pair : pairs)
        listing.columns.append({QLatin1String(pair.first), QLatin1String(pair.second)});
    return listing;
}

// Rows of the records whose keyOf matches key (every record for an empty key).
template <typename T, typename KeyOf, typename RowOf>
void addRows(Listing& listing, const QList<T>& records, const QString& key, KeyOf keyOf,
             RowOf rowOf)
{
    for (const T& record : records) {
        if (key.isEmpty() || std::invoke(keyOf, record) == key)
            listing.rows.append(rowOf(record));
    }
}

Listing accounts(const QString& key)
{
    Listing l = columns({{"user", "USER"},
                         {"roleGuid", "ROLE GUID"},
                         {"role", "ROLE"},
                         {"phone", "PHONE"},
                         {"mail", "MAIL"}});
    // The password member is never shown: the cache may hold one after an edit.
    addRows(l, cache()->list_account_Info(), key, &AccountInfo::userName, [](const AccountInfo& a) {
        return QVariantList{a.userName, a.roleGuid, roleName(a.roleGuid), a.phone, a.mail};
    });
    return l;
}

Listing roles(const QString& key)
{
    Listing l = columns({{"guid", "GUID"}, {"name", "NAME"}, {"describe", "DESCRIPTION"}});
    QList<RoleInfo> sorted = core()->GetRole();
    std::stable_sort(sorted.begin(), sorted.end(), [](const RoleInfo& a, const RoleInfo& b) {
        return pinyinKey(a.name) < pinyinKey(b.name);
    });
    addRows(l, sorted, key, &RoleInfo::guid, [](const RoleInfo& r) {
        return QVariantList{r.guid, r.name, r.describe};
    });
    return l;
}

Listing permissions(const QString& key)
{
    Listing l = columns({{"guid", "GUID"},
                         {"roleGuid", "ROLE GUID"},
                         {"role", "ROLE"},
                         {"type", "TYPE"},
                         {"value", "VALUE"}});
    addRows(l, core()->getRolePermission(QString()), key, &RolePermissionInfo::roleGuid,
            [](const RolePermissionInfo& p) {
                return QVariantList{p.guid, p.roleGuid, roleName(p.roleGuid), p.type, p.value};
            });
    return l;
}

template <typename Grant>
Listing grants(const QList<Grant>& list, const QString& key)
{
    Listing l = columns({{"roleGuid", "ROLE GUID"},
                         {"role", "ROLE"},
                         {"regionGuid", "REGION GUID"},
                         {"region", "REGION"}});
    addRows(l, list, key, &Grant::roleGuid, [](const Grant& g) {
        return QVariantList{g.roleGuid, roleName(g.roleGuid), g.regionGuid,
                            regionName(g.regionGuid)};
    });
    return l;
}

Listing regions(const QString& key)
{
    Listing l = columns({{"guid", "GUID"},
                         {"name", "NAME"},
                         {"parentGuid", "PARENT GUID"},
                         {"level", "LEVEL"},
                         {"describe", "DESCRIPTION"}});
    for (const RegionInfo& r : core()->GetOneRegion(key))
        l.rows.append(QVariantList{r.guid, r.name, r.parentGuid, r.level, r.describe});
    return l;
}

Listing regionChannels(const QString& key)
{
    Listing l = columns({{"regionGuid", "REGION GUID"},
                         {"region", "REGION"},
                         {"channelGuid", "CHANNEL GUID"},
                         {"name", "NAME"},
                         {"deviceGuid", "DEVICE GUID"},
                         {"channelNo", "NO"}});
    addRows(l, cache()->list_region_channel_info(), key, &RegionChannelInfo::regionGuid,
            [](const RegionChannelInfo& f) {
                const DeviceChancelInfo& c = f.channelInfo;
                return QVariantList{f.regionGuid,  regionName(f.regionGuid),
                                    c.channelGuid, c.channelName,
                                    c.devGuid,     c.channelNo};
            });
    return l;
}

Listing devices(const QString& key)
{
    Listing l = columns({{"guid", "GUID"},
                         {"name", "NAME"},
                         {"number", "NUMBER"},
                         {"ip", "IP"},
                         {"port", "PORT"},
                         {"login", "LOGIN"},
                         {"channels", "CHANNELS"},
                         {"vendor", "VENDOR"},
                         {"type", "TYPE"}});
    addRows(l, core()->GetDevice(QString()), key, &UDeviceInfo::guid, [](const UDeviceInfo& d) {
        return QVariantList{d.guid,    d.devName,       d.devNO,     d.devIP,  d.devPort,
                            d.devUser, d.devChannelNum, d.devVender, d.devType};
    });
    return l;
}

Listing channels(const QString& key)
{
    Listing l = columns({{"guid", "GUID"},
                         {"name", "NAME"},
                         {"deviceGuid", "DEVICE GUID"},
                         {"device", "DEVICE"},
                         {"channelNo", "NO"}});
    addRows(l, core()->getDevChannelInfo(QString()), key, &DeviceChancelInfo::devGuid,
            [](const DeviceChancelInfo& c) {
                return QVariantList{c.channelGuid, c.channelName, c.devGuid,
                                    core()->getDevInfo(c.devGuid).devName, c.channelNo};
            });
    return l;
}

Listing views(const QString& key)
{
    Listing l = columns({{"guid", "GUID"}, {"name", "NAME"}, {"divide", "PANES"}});
    addRows(l, core()->GetView(QString()), key, &UViewInfo::guid, [](const UViewInfo& v) {
        return QVariantList{v.guid, v.name, v.divide};
    });
    return l;
}

Listing viewChannels(const QString& key)
{
    Listing l = columns({{"viewGuid", "VIEW GUID"},
                         {"view", "VIEW"},
                         {"position", "PANE"},
                         {"channelGuid", "CHANNEL GUID"},
                         {"channel", "CHANNEL"},
                         {"deviceGuid", "DEVICE GUID"},
                         {"channelNo", "NO"}});
    addRows(l, core()->GetViewChannel(QString()), key, &UViewChannelInfo::viewGuid,
            [](const UViewChannelInfo& p) {
                const QList<UViewInfo> view = core()->GetView(p.viewGuid);
                const DeviceChancelInfo& c = p.channelInfo;
                return QVariantList{p.viewGuid,    view.isEmpty() ? QString() : view.first().name,
                                    p.position,    c.channelGuid,
                                    c.channelName, c.devGuid,
                                    c.channelNo};
            });
    return l;
}

Listing servers(const QString& key)
{
    Listing l = columns({{"guid", "GUID"},
                         {"name", "NAME"},
                         {"ip", "IP"},
                         {"port", "PORT"},
                         {"login", "LOGIN"},
                         {"type", "TYPE"}});
    addRows(l, core()->GetServers(QString()), key, &UServerInfo::guid, [](const UServerInfo& s) {
        return QVariantList{s.guid, s.name, s.ip, s.port, s.user, s.type};
    });
    return l;
}

struct Kind {
    const char* name;
    Listing (*list)(const QString& key);
};

const Kind kKinds[] = {
    {"accounts", accounts},
    {"roles", roles},
    {"permissions", permissions},
    {"video-grants",
     [](const QString& key) { return grants(cache()->list_role_region_info(), key); }},
    {"alarm-grants",
     [](const QString& key) { return grants(cache()->list_region_alarm_info(), key); }},
    {"regions", regions},
    {"region-channels", regionChannels},
    {"devices", devices},
    {"channels", channels},
    {"views", views},
    {"view-channels", viewChannels},
    {"servers", servers},
};

} // namespace

QStringList kindNames()
{
    QStringList names;
    for (const Kind& kind : kKinds)
        names.append(QLatin1String(kind.name));
    return names;
}

QString kindOf(const QString& name)
{
    for (const Kind& kind : kKinds) {
        const QLatin1String plural(kind.name);
        if (name == plural || name + QLatin1Char('s') == plural)
            return plural;
    }
    usageError(QStringLiteral("unknown kind '%1' (kinds: %2)")
                   .arg(name, kindNames().join(QStringLiteral(", "))));
}

Listing listKind(const QString& kind, const QString& key)
{
    for (const Kind& k : kKinds) {
        if (kind == QLatin1String(k.name))
            return k.list(key);
    }
    usageError(QStringLiteral("unknown kind '%1'").arg(kind));
}

void printListing(const Context& ctx, const Listing& listing)
{
    if (ctx.json()) {
        QJsonArray array;
        for (const QVariantList& row : listing.rows) {
            QJsonObject object;
            for (int c = 0; c < listing.columns.size(); ++c)
                object.insert(listing.columns.at(c).member, QJsonValue::fromVariant(row.at(c)));
            array.append(object);
        }
        printJson(array);
        return;
    }
    QStringList headers;
    for (const Column& column : listing.columns)
        headers.append(column.header);
    QList<QStringList> rows;
    for (const QVariantList& row : listing.rows) {
        QStringList cells;
        for (const QVariant& value : row)
            cells.append(value.toString());
        rows.append(cells);
    }
    printOut(formatTable(headers, rows));
}

QString roleName(const QString& guid)
{
    const QList<RoleInfo> roles = core()->GetRole(guid);
    return roles.isEmpty() ? QString() : roles.first().name;
}

QString regionName(const QString& guid)
{
    return core()->getRegionByGuid(guid).name;
}

} // namespace orsactl
