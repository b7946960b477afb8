// Changes of other sessions, applied to the cache and announced as a confirmed
// change of this session is.
#include "cascade_p.h"
#include "changeevent_p.h"
#include "changefeedlink_p.h"
#include "orsalog_p.h"
#include "recordkeys_p.h"
#include "userdatacache.h"
#include "usermanagercore.h"

#include <QtCore/QCoreApplication>

#include <type_traits>

namespace DATACore {
namespace {

using Core = UserManagerCore;

template <typename Rec>
using Announce = void (*)(Core& core, const Rec& record);

// What a change of one kind does besides the cache's update: the typed
// signal of each operation (null when the facade has none) and what a
// delete takes along.
template <typename Rec>
struct KindRules {
    RemoteChange::Kind kind;
    Announce<Rec> added;
    Announce<Rec> edited;
    Announce<Rec> deleted;
};

template <typename Rec, void (Core::*Signal)(const Rec&)>
void announceRecord(Core& core, const Rec& record)
{
    emit(core.*Signal)(record);
}

// A delete with dependents: those still cached go as a confirmed delete of
// this session takes them (the server's cascaded deletes, which come first,
// leave none), then the record's own signal.
template <typename Rec, Deleted Parent, void (Core::*Signal)(const QString&)>
void deleteWithDependents(Core& core, const Rec& record)
{
    dropDependents(core, Parent, record.guid);
    emit(core.*Signal)(record.guid);
}

template <typename Rec, Deleted Parent>
void deleteWithDependents(Core& core, const Rec& record)
{
    dropDependents(core, Parent, record.guid);
}

// The key as the cache compares it.
template <typename Rec>
QStringList keyTexts(const Rec& record)
{
    const auto key = RecordKey<Rec>::of(record);
    if constexpr (std::is_same_v<std::decay_t<decltype(key)>, QString>)
        return {key};
    else
        return {key.first, key.second};
}

// clang-format off
KindRules<AccountInfo> rulesFor(const AccountInfo&)
{
    return {RemoteChange::Account,
            announceRecord<AccountInfo, &Core::signalAddAccount>,
            announceRecord<AccountInfo, &Core::signalEditAccount>,
            [](Core& c, const AccountInfo& r) { emit c.signalDeleteAccount(r.userName); }};
}
KindRules<RoleInfo> rulesFor(const RoleInfo&)
{
    return {RemoteChange::Role,
            announceRecord<RoleInfo, &Core::signalAddRole>,
            announceRecord<RoleInfo, &Core::signalEditRole>,
            deleteWithDependents<RoleInfo, Deleted::Role>};
}
KindRules<RolePermissionInfo> rulesFor(const RolePermissionInfo&)
{
    return {RemoteChange::RolePermission,
            nullptr, nullptr, nullptr};
}
KindRules<RegionInfo> rulesFor(const RegionInfo&)
{
    return {RemoteChange::Region,
            announceRecord<RegionInfo, &Core::signalAddRegion>,
            announceRecord<RegionInfo, &Core::signalEditRegioin>,
            deleteWithDependents<RegionInfo, Deleted::Region, &Core::signalDeleteRegion>};
}
KindRules<RegionChannelInfo> rulesFor(const RegionChannelInfo&)
{
    return {RemoteChange::RegionChannel,
            announceRecord<RegionChannelInfo, &Core::signalAddRegionChannel>,
            announceRecord<RegionChannelInfo, &Core::signalEditRegionChannel>,
            filingGone};
}
KindRules<UDeviceInfo> rulesFor(const UDeviceInfo&)
{
    return {RemoteChange::Device,
            announceRecord<UDeviceInfo, &Core::signalAddDevice>,
            announceRecord<UDeviceInfo, &Core::signalEditDevice>,
            deleteWithDependents<UDeviceInfo, Deleted::Device, &Core::signalDeleteDevice>};
}
KindRules<DeviceChancelInfo> rulesFor(const DeviceChancelInfo&)
{
    return {RemoteChange::Channel,
            nullptr, nullptr, nullptr};
}
KindRules<UViewInfo> rulesFor(const UViewInfo&)
{
    return {RemoteChange::View,
            announceRecord<UViewInfo, &Core::signalAddView>,
            announceRecord<UViewInfo, &Core::signalEditView>,
            deleteWithDependents<UViewInfo, Deleted::View, &Core::signalDeleteView>};
}
KindRules<UViewChannelInfo> rulesFor(const UViewChannelInfo&)
{
    return {RemoteChange::ViewChannel,
            announceRecord<UViewChannelInfo, &Core::signalAddViewChannel>,
            announceRecord<UViewChannelInfo, &Core::signalEditViewChannel>,
            placementGone};
}
KindRules<UServerInfo> rulesFor(const UServerInfo&)
{
    return {RemoteChange::Server,
            announceRecord<UServerInfo, &Core::signalAddServer>,
            announceRecord<UServerInfo, &Core::signalEditServer>,
            [](Core& c, const UServerInfo& r) {
                emit c.signalDeleteServer(r.guid, SERVERTYPE(r.type));
            }};
}
KindRules<RoleRegionInfo> rulesFor(const RoleRegionInfo&)
{
    return {RemoteChange::VideoRegion,
            nullptr, nullptr, nullptr};
}
KindRules<RegionAlarmInfo> rulesFor(const RegionAlarmInfo&)
{
    return {RemoteChange::AlarmRegion,
            nullptr, nullptr, nullptr};
}
// clang-format on

int cacheOp(RemoteChange::Operation operation)
{
    switch (operation) {
    case RemoteChange::Added:
        return CacheAdd;
    case RemoteChange::Edited:
        return CacheEdit;
    case RemoteChange::Deleted:
        break;
    }
    return CacheDelete;
}

template <typename Rec>
void apply(Core& core, const ChangeEvent& ev, Rec record)
{
    const KindRules<Rec> rules = rulesFor(record);
    UserDataCache::instance()->updateInfoNode(record, cacheOp(ev.operation));
    const Announce<Rec> announce = ev.operation == RemoteChange::Added    ? rules.added
                                   : ev.operation == RemoteChange::Edited ? rules.edited
                                                                          : rules.deleted;
    if (announce)
        announce(core, record);
    RemoteChange change;
    change.revision = ev.revision;
    change.kind = rules.kind;
    change.operation = ev.operation;
    change.key = keyTexts(record);
    change.cascaded = ev.cascaded;
    emit core.signalRemoteChange(change);
}

// The batch in progress: the kinds changed since its end was posted.
RemoteChange::Kinds g_batchKinds;
bool g_batchEndPosted = false;

} // namespace

void handleChangeEvent(QObject* receiver, const ChangeEvent& ev)
{
    Core& core = *UserManagerCore::instance();
    if (ev.what == ChangeEvent::BatchEnd) {
        const RemoteChange::Kinds kinds = g_batchKinds;
        g_batchKinds = {};
        g_batchEndPosted = false;
        if (kinds)
            emit core.signalRemoteChanges(kinds);
        return;
    }
    // Queued before the SDK instance that sent it was replaced or released.
    if (!changeLinkCurrent(ev.link))
        return;
    if (ev.what == ChangeEvent::ResyncNeeded) {
        qCDebug(lcOrsa) << "change feed: changes were missed, the cache needs a reload";
        emit core.signalResyncNeeded();
        return;
    }
    // Counted first: a slot of the signals below may run an event loop that
    // ends the batch.
    g_batchKinds |= std::visit([](const auto& record) { return rulesFor(record).kind; }, ev.record);
    if (!g_batchEndPosted) {
        // Behind every change already queued: they make one batch.
        g_batchEndPosted = true;
        QCoreApplication::postEvent(receiver, new ChangeEvent(ChangeEvent::BatchEnd, 0),
                                    Qt::LowEventPriority);
    }
    std::visit([&](const auto& record) { apply(core, ev, record); }, ev.record);
}

} // namespace DATACore
