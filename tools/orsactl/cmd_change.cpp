// add, edit and delete: one library operation each, then the record as the cache holds it.
#include "commands.h"
#include "facade.h"
#include "kinds.h"
#include "secrets.h"

#include "orsadatacenter.h"

namespace orsactl {
namespace {

using DATACore::UserManagerCore;

// An option's value, or the current one when the option is absent.
QString text(const Context& ctx, const char* name, const QString& current = QString())
{
    return ctx.has(name) ? ctx.option(name) : current;
}

QString credential(const Context& ctx, const QString& current = QString())
{
    return ctx.has("credential-file") ? readSecretFile(ctx.option("credential-file")) : current;
}

void check(bool done, const QString& operation, const QString& record)
{
    if (!done)
        requestFailed(operation, record);
}

[[noreturn]] void missing(const QString& kind, const QString& key)
{
    throw Failure(ExitFailed, QStringLiteral("no %1 '%2'").arg(kind, key));
}

// The listing of kind for key, narrowed to rows whose member equals value.
void printRecord(const Context& ctx, const QString& kind, const QString& key,
                 const QString& member = QString(), const QString& value = QString())
{
    Listing listing = listKind(kind, key);
    if (!member.isEmpty()) {
        int column = 0;
        while (column < listing.columns.size() && listing.columns.at(column).member != member)
            ++column;
        QList<QVariantList> rows;
        for (const QVariantList& row : listing.rows) {
            if (row.value(column).toString() == value)
                rows.append(row);
        }
        listing.rows = rows;
    }
    printListing(ctx, listing);
}

template <typename T>
T cachedOne(const QList<T>& found, const QString& kind, const QString& key)
{
    if (found.isEmpty())
        missing(kind, key);
    return found.first();
}

void addAccount(Context& ctx)
{
    const QString name = ctx.required("name");
    const QString password = newPassword(ctx.option("new-password-file"), name);
    check(core()->AddOneAccount(name, text(ctx, "phone"), text(ctx, "mail"), password,
                                text(ctx, "role")),
          QStringLiteral("add account"), name);
    printRecord(ctx, QStringLiteral("accounts"), name);
}

void editAccount(Context& ctx, const QString& key)
{
    AccountInfo a;
    for (const AccountInfo& candidate : core()->GetAccount(key)) {
        if (candidate.userName == key)
            a = candidate;
    }
    if (a.userName.isEmpty())
        missing(QStringLiteral("account"), key);
    // An empty password keeps the current one; passwd changes it.
    check(core()->EditOneAccount(key, text(ctx, "phone", a.phone), text(ctx, "mail", a.mail),
                                 QString(), text(ctx, "role", a.roleGuid)),
          QStringLiteral("edit account"), key);
    printRecord(ctx, QStringLiteral("accounts"), key);
}

void addRole(Context& ctx)
{
    const QString name = ctx.required("name");
    check(core()->AddOneRole(name, text(ctx, "describe")), QStringLiteral("add role"), name);
    printRecord(ctx, QStringLiteral("roles"), newGuid());
}

void editRole(Context& ctx, const QString& key)
{
    const RoleInfo r = cachedOne(core()->GetRole(key), QStringLiteral("role"), key);
    check(core()->EditOneRole(key, text(ctx, "name", r.name), text(ctx, "describe", r.describe)),
          QStringLiteral("edit role"), key);
    printRecord(ctx, QStringLiteral("roles"), key);
}

void addPermission(Context& ctx)
{
    const QString role = ctx.required("role");
    const QString type = ctx.required("type");
    check(core()->addRolePermission(role, type, text(ctx, "value", QStringLiteral("true"))),
          QStringLiteral("add permission"), type);
    printRecord(ctx, QStringLiteral("permissions"), role, QStringLiteral("type"), type);
}

void deletePermission(Context&, const QString& key)
{
    for (const RolePermissionInfo& p : core()->getRolePermission(QString())) {
        if (p.guid == key) {
            check(core()->deleteRolePermission(p), QStringLiteral("delete permission"), key);
            return;
        }
    }
    missing(QStringLiteral("permission"), key);
}

using GrantOp = bool (UserManagerCore::*)(const QString&, const QString&);

void changeGrant(Context& ctx, GrantOp op, const char* operation, const QString& kind, bool print)
{
    const QString role = ctx.required("role");
    const QString region = ctx.required("region");
    check((core()->*op)(role, region), QLatin1String(operation), role + QLatin1Char('/') + region);
    if (print)
        printRecord(ctx, kind, role, QStringLiteral("regionGuid"), region);
}

void addRegion(Context& ctx)
{
    const QString name = ctx.required("name");
    const QString parent = text(ctx, "parent");
    const int level =
        ctx.intOption("level", parent.isEmpty() ? 1 : core()->getRegionByGuid(parent).level + 1);
    check(core()->AddOneRegion(name, parent, level, text(ctx, "describe")),
          QStringLiteral("add region"), name);
    printRecord(ctx, QStringLiteral("regions"), newGuid());
}

void editRegion(Context& ctx, const QString& key)
{
    const RegionInfo r = core()->getRegionByGuid(key);
    if (r.guid.isEmpty())
        missing(QStringLiteral("region"), key);
    check(core()->EditOneRegion(key, text(ctx, "name", r.name), text(ctx, "describe", r.describe)),
          QStringLiteral("edit region"), key);
    printRecord(ctx, QStringLiteral("regions"), key);
}

void fileChannel(Context& ctx, bool edit)
{
    const QString region = ctx.required("region");
    const QString channel = ctx.required("channel");
    const QString name =
        text(ctx, "name", core()->getDevChannelInfoByChannelGuid(channel).channelName);
    const bool done = edit ? core()->EditRegionChannel(region, channel, name)
                           : core()->AddRegionChannel(region, channel, name);
    check(done, edit ? QStringLiteral("edit region channel") : QStringLiteral("add region channel"),
          name);
    printRecord(ctx, QStringLiteral("region-channels"), region, QStringLiteral("channelGuid"),
                channel);
}

void addDevice(Context& ctx)
{
    const QString name = ctx.required("name");
    check(core()->AddDevice(name, text(ctx, "number"), text(ctx, "login"), credential(ctx),
                            text(ctx, "ip"), ctx.intOption("tcp-port", 0),
                            ctx.intOption("channels", 1), ctx.intOption("vendor", 0),
                            ctx.intOption("type", 0), 0),
          QStringLiteral("add device"), name);
    printRecord(ctx, QStringLiteral("devices"), newGuid());
}

void editDevice(Context& ctx, const QString& key)
{
    const UDeviceInfo d = cachedOne(core()->GetDevice(key), QStringLiteral("device"), key);
    check(core()->EditDevice(key, text(ctx, "number", d.devNO), text(ctx, "name", d.devName),
                             text(ctx, "login", d.devUser), credential(ctx, d.devPassword),
                             text(ctx, "ip", d.devIP), ctx.intOption("tcp-port", d.devPort)),
          QStringLiteral("edit device"), key);
    printRecord(ctx, QStringLiteral("devices"), key);
}

void addView(Context& ctx)
{
    const QString name = ctx.required("name");
    check(core()->AddView(name, ctx.intOption("divide", 4)), QStringLiteral("add view"), name);
    printRecord(ctx, QStringLiteral("views"), newGuid());
}

void editView(Context& ctx, const QString& key)
{
    const UViewInfo v = cachedOne(core()->GetView(key), QStringLiteral("view"), key);
    check(core()->EditView(key, text(ctx, "name", v.name), ctx.intOption("divide", v.divide)),
          QStringLiteral("edit view"), key);
    printRecord(ctx, QStringLiteral("views"), key);
}

void placeChannel(Context& ctx, bool edit)
{
    const QString view = ctx.required("view");
    const QString channel = ctx.required("channel");
    const int position = ctx.intOption("position", 0);
    const bool done = edit ? core()->EditViewChannel(view, channel, position)
                           : core()->AddViewChannel(view, channel, position);
    check(done, edit ? QStringLiteral("edit view channel") : QStringLiteral("add view channel"),
          channel);
    printRecord(ctx, QStringLiteral("view-channels"), view, QStringLiteral("channelGuid"), channel);
}

void addServer(Context& ctx)
{
    const QString name = ctx.required("name");
    check(core()->AddServer(name, text(ctx, "ip"), text(ctx, "login"), credential(ctx),
                            ctx.intOption("tcp-port", 0), ctx.intOption("type", 0)),
          QStringLiteral("add server"), name);
    printRecord(ctx, QStringLiteral("servers"), newGuid());
}

void editServer(Context& ctx, const QString& key)
{
    const UServerInfo s = cachedOne(core()->GetServers(key), QStringLiteral("server"), key);
    check(core()->EditServer(key, text(ctx, "name", s.name), text(ctx, "ip", s.ip),
                             text(ctx, "login", s.user), credential(ctx, s.password),
                             ctx.intOption("tcp-port", s.port), s.type),
          QStringLiteral("edit server"), key);
    printRecord(ctx, QStringLiteral("servers"), key);
}

void deleteServer(Context&, const QString& key)
{
    const UServerInfo s = cachedOne(core()->GetServers(key), QStringLiteral("server"), key);
    check(core()->DeleteServer(key, SERVERTYPE(s.type)), QStringLiteral("delete server"), key);
}

// A keyed delete: the library call and the operation's name.
template <bool (UserManagerCore::*Op)(const QString&)>
void deleteKeyed(Context&, const QString& key, const char* operation)
{
    check((core()->*Op)(key), QLatin1String(operation), key);
}

struct Change {
    const char* kind;
    void (*add)(Context&);
    void (*edit)(Context&, const QString&); // null: not editable, or keyed by options
    void (*remove)(Context&, const QString&);
    bool keyed; // edit and delete take KEY; otherwise options name the record
};

const Change kChanges[] = {
    {"accounts", addAccount, editAccount,
     [](Context& c, const QString& k) {
         deleteKeyed<&UserManagerCore::DeleteOneAccount>(c, k, "delete account");
     },
     true},
    {"roles", addRole, editRole,
     [](Context& c, const QString& k) {
         deleteKeyed<&UserManagerCore::DeleteOneRole>(c, k, "delete role");
     },
     true},
    {"permissions", addPermission, nullptr, deletePermission, true},
    {"video-grants",
     [](Context& c) {
         changeGrant(c, &UserManagerCore::addRegionVideo, "add video grant",
                     QStringLiteral("video-grants"), true);
     },
     nullptr,
     [](Context& c, const QString&) {
         changeGrant(c, &UserManagerCore::deleteRegionVideo, "delete video grant", {}, false);
     },
     false},
    {"alarm-grants",
     [](Context& c) {
         changeGrant(c, &UserManagerCore::addAlarmRegion, "add alarm grant",
                     QStringLiteral("alarm-grants"), true);
     },
     nullptr,
     [](Context& c, const QString&) {
         changeGrant(c, &UserManagerCore::deleteAlarmRegion, "delete alarm grant", {}, false);
     },
     false},
    {"regions", addRegion, editRegion,
     [](Context& c, const QString& k) {
         deleteKeyed<&UserManagerCore::DeleteOneRegion>(c, k, "delete region");
     },
     true},
    {"region-channels", [](Context& c) { fileChannel(c, false); },
     [](Context& c, const QString&) { fileChannel(c, true); },
     [](Context& c, const QString&) {
         const QString region = c.required("region");
         const QString channel = c.required("channel");
         check(core()->DeleteRegionChannel(region, channel),
               QStringLiteral("delete region channel"), channel);
     },
     false},
    {"devices", addDevice, editDevice,
     [](Context& c, const QString& k) {
         deleteKeyed<&UserManagerCore::DeleteDevice>(c, k, "delete device");
     },
     true},
    {"views", addView, editView,
     [](Context& c, const QString& k) {
         deleteKeyed<&UserManagerCore::DeleteView>(c, k, "delete view");
     },
     true},
    {"view-channels", [](Context& c) { placeChannel(c, false); },
     [](Context& c, const QString&) { placeChannel(c, true); },
     [](Context& c, const QString&) {
         const QString view = c.required("view");
         const QString channel = c.required("channel");
         check(core()->DeleteViewChannel(view, channel), QStringLiteral("delete view channel"),
               channel);
     },
     false},
    {"servers", addServer, editServer, deleteServer, true},
};

enum class Verb { Add, Edit, Delete };

int change(Context& ctx, Verb verb)
{
    ctx.expectArgs(1, 2);
    const QString kind = kindOf(ctx.args.at(0));
    const Change* found = nullptr;
    for (const Change& c : kChanges) {
        if (kind == QLatin1String(c.kind))
            found = &c;
    }
    if (!found || (verb == Verb::Edit && !found->edit))
        usageError(QStringLiteral("%1 cannot be changed this way").arg(kind));
    // Keyed kinds name the record by KEY; the others by options only.
    const bool wantsKey = verb != Verb::Add && found->keyed;
    if (wantsKey && ctx.args.size() < 2)
        usageError(QStringLiteral("missing KEY of the %1 record").arg(kind));
    if (!wantsKey && ctx.args.size() > 1)
        usageError(QStringLiteral("unexpected argument '%1'").arg(ctx.args.at(1)));
    const QString key = ctx.args.value(1);
    ctx.session();
    switch (verb) {
    case Verb::Add:
        found->add(ctx);
        break;
    case Verb::Edit:
        found->edit(ctx, key);
        break;
    case Verb::Delete:
        found->remove(ctx, key);
        printOut(QStringLiteral("deleted %1 %2\n").arg(kind, wantsKey ? key : QString()).trimmed() +
                 QLatin1Char('\n'));
        break;
    }
    return ExitOk;
}

} // namespace

int runAdd(Context& ctx)
{
    return change(ctx, Verb::Add);
}

int runEdit(Context& ctx)
{
    return change(ctx, Verb::Edit);
}

int runDelete(Context& ctx)
{
    return change(ctx, Verb::Delete);
}

} // namespace orsactl
