// watch: the changes other sessions make, printed as they arrive.
#include "commands.h"
#include "facade.h"
#include "kinds.h"
#include "session.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSocketNotifier>
#include <QtCore/QTimer>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace orsactl {
namespace {

using DATACore::RemoteChange;

constexpr int kProbeIntervalMs = 5000;

// The data layer's kinds under the names `list` takes.
const struct {
    RemoteChange::Kind kind;
    const char* name;
} kWatchedKinds[] = {
    {RemoteChange::Account, "accounts"},
    {RemoteChange::Role, "roles"},
    {RemoteChange::RolePermission, "permissions"},
    {RemoteChange::VideoRegion, "video-grants"},
    {RemoteChange::AlarmRegion, "alarm-grants"},
    {RemoteChange::Region, "regions"},
    {RemoteChange::RegionChannel, "region-channels"},
    {RemoteChange::Device, "devices"},
    {RemoteChange::Channel, "channels"},
    {RemoteChange::View, "views"},
    {RemoteChange::ViewChannel, "view-channels"},
    {RemoteChange::Server, "servers"},
};

QString kindName(RemoteChange::Kind kind)
{
    for (const auto& k : kWatchedKinds) {
        if (k.kind == kind)
            return QLatin1String(k.name);
    }
    return QString::number(uint(kind));
}

QString operationName(RemoteChange::Operation operation)
{
    static const char* const names[] = {"add", "edit", "delete"};
    return QLatin1String(names[operation]);
}

// The record as `list` shows it (credentials left out), found by its key in
// the cache the change just updated; empty when it is not there.
QJsonObject cachedRecord(const QString& kind, const QStringList& key)
{
    // `list` shows the regions the user's grants reach, and a new region's
    // grants come after it: the region is taken from the cache directly.
    if (kind == QLatin1String("regions")) {
        const RegionInfo r = core()->getRegionByGuid(key.value(0));
        if (r.guid.isEmpty())
            return {};
        return {{QStringLiteral("guid"), r.guid},
                {QStringLiteral("name"), r.name},
                {QStringLiteral("parentGuid"), r.parentGuid},
                {QStringLiteral("level"), r.level},
                {QStringLiteral("describe"), r.describe}};
    }
    // `list` narrows by one part of the key; try each, then match them all.
    for (const QString& part : key) {
        const Listing listing = listKind(kind, part);
        for (const QVariantList& row : listing.rows) {
            QStringList values;
            for (const QVariant& value : row)
                values << value.toString();
            bool matches = true;
            for (const QString& k : key)
                matches = matches && values.contains(k);
            if (!matches)
                continue;
            QJsonObject record;
            for (int c = 0; c < listing.columns.size(); ++c)
                record.insert(listing.columns.at(c).member, QJsonValue::fromVariant(row.at(c)));
            return record;
        }
    }
    return {};
}

QString fieldsText(const QJsonObject& record)
{
    QStringList fields;
    for (auto it = record.begin(); it != record.end(); ++it) {
        QString value =
            it.value().isString() ? it.value().toString() : QString::number(it.value().toDouble());
        if (value.isEmpty() || value.contains(QLatin1Char(' ')))
            value = QLatin1Char('"') + value + QLatin1Char('"');
        fields << it.key() + QLatin1Char('=') + value;
    }
    return fields.join(QLatin1Char(' '));
}

void printChange(const Context& ctx, const RemoteChange& change)
{
    const QString kind = kindName(change.kind);
    const QJsonObject record =
        change.operation == RemoteChange::Deleted ? QJsonObject() : cachedRecord(kind, change.key);
    if (ctx.json()) {
        QJsonObject line{{QStringLiteral("revision"), double(change.revision)},
                         {QStringLiteral("operation"), operationName(change.operation)},
                         {QStringLiteral("kind"), kind},
                         {QStringLiteral("key"), QJsonArray::fromStringList(change.key)},
                         {QStringLiteral("cascaded"), change.cascaded}};
        if (!record.isEmpty())
            line.insert(QStringLiteral("record"), record);
        printOut(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)) +
                 QLatin1Char('\n'));
        return;
    }
    QString text = QStringLiteral("%1 %2 %3 %4")
                       .arg(QString::number(change.revision), operationName(change.operation), kind,
                            change.key.join(QLatin1Char('/')));
    if (change.cascaded)
        text += QStringLiteral(" (cascaded)");
    if (!record.isEmpty())
        text += QLatin1Char(' ') + fieldsText(record);
    printOut(text + QLatin1Char('\n'));
}

// The whole cache again, as after the login; false when a fetch failed.
bool reload()
{
    bool accounts = false;
    bool roles = false;
    bool permissions = false;
    core()->getAccountFromSDK(QString(), accounts);
    core()->getRoleFromSDK(QString(), roles);
    core()->getRolePermissionFromSDK(QString(), permissions);
    return core()->getCacheFromSDK() && accounts && roles && permissions;
}

// SIGINT and SIGTERM end the event loop through a pipe: a handler may only write.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    (void)written;
}

void quitOnSignals(QObject* context, bool& stopping)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Failure(ExitFailed, QStringLiteral("cannot set up the signal handlers"));
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [&stopping] {
        stopping = true;
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int runWatch(Context& ctx)
{
    ctx.expectArgs(0, 0);
    QObject context;
    bool stopping = false;
    quitOnSignals(&context, stopping);
    // Before the login: changes applied during the bulk load are printed too.
    QObject::connect(core(), &DATACore::UserManagerCore::signalRemoteChange, &context,
                     [&ctx](const RemoteChange& change) { printChange(ctx, change); });
    QObject::connect(core(), &DATACore::UserManagerCore::signalResyncNeeded, &context, [&] {
        if (ctx.json())
            printOut(QStringLiteral("{\"resync\":true}\n"));
        else
            printOut(QStringLiteral("resync: changes were missed; reloading every list\n"));
        // A slot cannot throw through the event loop: the loop ends instead.
        // A stop asked for during the reload ends its waits: not a failure.
        if (!reload() && !stopping) {
            printError(QStringLiteral("reloading the lists failed: %1").arg(lastRequestReason()));
            QCoreApplication::exit(ExitFailed);
        }
    });
    Session& session = ctx.session();
    if (!core()->changeFeedAvailable())
        throw Failure(ExitFailed,
                      QStringLiteral("%1: the SDK delivers no changes").arg(session.address));
    // The SDK makes a lost connection again on the next request, and only then
    // catches up on the changes missed: a request now and then is that request.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, &context, [] {
        bool ok = false;
        core()->getRoleFromSDK(QString(), ok);
    });
    probe.start(kProbeIntervalMs);
    printError(
        QStringLiteral("watching %1 as '%2'; Ctrl-C ends").arg(session.address, session.user));
    return QCoreApplication::exec();
}

} // namespace orsactl
