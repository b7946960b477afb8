// The thirteen record kinds the cache keeps, seen through one text form so
// that one table can drive every kind. A record is written "k1|k2|v": k1 (and
// k2 where the key has two parts) fill the key, the rest fill fields outside
// it; kinds without such a field drop v.
#ifndef RECORDKINDS_H
#define RECORDKINDS_H

#include "cacheindexes_p.h"
#include "callbackevent_p.h"
#include "userdatacache.h"

#include <QtCore/QStringList>
#include <QtCore/QVector>

#include <functional>
#include <type_traits>

namespace recordkinds {

using DATACore::UserDataCache;
using Event = IAccountCallBackEvent;
using F = QStringList;

inline UserDataCache* cache()
{
    return UserDataCache::instance();
}

inline QString join(const QString& k1, const QString& k2, const QString& v = {})
{
    return QStringList{k1, k2, v}.join(QLatin1Char('|'));
}

// make<T>(fields) and text(record) are inverse where the kind has room.
template <typename T>
T make(const F& f);
// clang-format off
template <> inline AccountInfo make(const F& f) { return {f[0], {}, f[1], f[2], {}}; }
template <> inline UDeviceInfo make(const F& f) { return {f[0], f[1], {}, {}, {}, f[2]}; }
template <> inline DeviceChancelInfo make(const F& f) { return {f[0], f[2], f[1], 0}; }
template <> inline UViewInfo make(const F& f) { return {f[0], f[1], f[2].toInt()}; }
template <> inline UViewChannelInfo make(const F& f) { return {f[1], {f[0], {}, {}, 0}, f[2].toInt()}; }
template <> inline RegionInfo make(const F& f) { return {f[0], {}, f[1], 0, f[2]}; }
template <> inline RegionChannelInfo make(const F& f) { return {f[1], {f[0], f[2], {}, 0}}; }
template <> inline RoleInfo make(const F& f) { return {f[0], f[1], f[2]}; }
template <> inline RoleRegionInfo make(const F& f) { return {f[0], f[1]}; }
template <> inline RegionAlarmInfo make(const F& f) { return {f[0], f[1]}; }
template <> inline UServerInfo make(const F& f) { return {f[0], f[1], f[2], {}, {}, 0, 0}; }
template <> inline RolePermissionInfo make(const F& f) { return {f[0], f[1], {}, f[2]}; }
template <> inline UserViewInfo make(const F& f) { return {f[0], f[1]}; }

inline QString text(const AccountInfo& r) { return join(r.userName, r.phone, r.mail); }
inline QString text(const UDeviceInfo& r) { return join(r.guid, r.devName, r.devIP); }
inline QString text(const DeviceChancelInfo& r) { return join(r.channelGuid, r.devGuid, r.channelName); }
inline QString text(const UViewInfo& r) { return join(r.guid, r.name, QString::number(r.divide)); }
inline QString text(const UViewChannelInfo& r) { return join(r.channelInfo.channelGuid, r.viewGuid, QString::number(r.position)); }
inline QString text(const RegionInfo& r) { return join(r.guid, r.name, r.describe); }
inline QString text(const RegionChannelInfo& r) { return join(r.channelInfo.channelGuid, r.regionGuid, r.channelInfo.channelName); }
inline QString text(const RoleInfo& r) { return join(r.guid, r.name, r.describe); }
inline QString text(const RoleRegionInfo& r) { return join(r.roleGuid, r.regionGuid); }
inline QString text(const RegionAlarmInfo& r) { return join(r.roleGuid, r.regionGuid); }
inline QString text(const UServerInfo& r) { return join(r.guid, r.name, r.ip); }
inline QString text(const RolePermissionInfo& r) { return join(r.guid, r.roleGuid, r.value); }
inline QString text(const UserViewInfo& r) { return join(r.userGuid, r.viewGuid); }
// clang-format on

// Changes an application may make through a live accessor, in place.
enum class LiveChange { Overwrite, Prepend, Remove, Swap, Clear };

template <typename List, typename Item>
void applyChange(List& list, LiveChange change, int at, int other, const Item& item)
{
    switch (change) {
    case LiveChange::Overwrite:
        list[at] = item;
        break;
    case LiveChange::Prepend:
        list.prepend(item);
        break;
    case LiveChange::Remove:
        list.removeAt(at);
        break;
    case LiveChange::Swap:
        list.swapItemsAt(at, other);
        break;
    case LiveChange::Clear:
        list.clear();
        break;
    }
}

// What the tests do with one kind, whatever its record type.
struct KindOps {
    QString name;   // the event list's name, e.g. "accounts"
    bool composite; // whether k2 is part of the key
    std::function<QString(const QString&)> normalise;
    std::function<QStringList()> cached; // read through the accessor
    std::function<void(const QStringList&)> setCached;
    std::function<void(const QString&, int)> update; // updateInfoNode
    std::function<void(Event&, const QStringList&)> fillEvent;
    // Whether what the accessor returned sees a record added afterwards.
    std::function<bool()> accessorIsLive;
    // Makes the change at positions at and other of the list the live
    // accessor gives, with the record of a text; false when the accessor
    // gives a copy or a const list.
    std::function<bool(LiveChange, int at, int other, const QString&)> changeLive;
    // What the cache's index answers for value on each field it indexes (a
    // one-text key and the grouped fields): every record and the first; with
    // scan, the same read from the list without the index.
    std::function<QStringList(const QString& value, bool scan)> indexed;
    // Where the cached list keeps its first record; null when empty.
    std::function<const void*()> firstRecord;
};

template <typename T>
QList<T> records(const QStringList& texts)
{
    QList<T> list;
    // Room to grow: with Qt 6's contiguous lists an append past the capacity
    // moves the records, which would look like a copy to the tests that
    // check the cache changes its lists in place.
    list.reserve(texts.size() + 4);
    for (const QString& t : texts)
        list.append(make<T>(t.split(QLatin1Char('|'))));
    return list;
}

template <typename T>
QStringList texts(const QList<T>& list)
{
    QStringList out;
    for (const T& r : list)
        out.append(text(r));
    return out;
}

template <typename T, auto EventList, auto Get, auto Set>
KindOps kindOps(const char* name, bool composite)
{
    KindOps ops;
    ops.name = QLatin1String(name);
    ops.composite = composite;
    ops.normalise = [](const QString& t) { return text(make<T>(t.split(QLatin1Char('|')))); };
    ops.cached = [] { return texts<T>((cache()->*Get)()); };
    ops.setCached = [](const QStringList& t) { (cache()->*Set)(records<T>(t)); };
    ops.update = [](const QString& t, int op) {
        T record = make<T>(t.split(QLatin1Char('|')));
        cache()->updateInfoNode(record, op);
    };
    ops.fillEvent = [](Event& ev, const QStringList& t) { ev.*EventList = records<T>(t); };
    ops.accessorIsLive = [] {
        (cache()->*Set)({});
        decltype(auto) held = (cache()->*Get)();
        T record = make<T>({QStringLiteral("live"), QStringLiteral("probe"), QString()});
        cache()->updateInfoNode(record, 1);
        return held.size() == 1;
    };
    ops.changeLive = [](LiveChange change, int at, int other, const QString& t) {
        using List = std::remove_reference_t<decltype((cache()->*Get)())>;
        if constexpr (std::is_lvalue_reference_v<decltype((cache()->*Get)())> &&
                      !std::is_const_v<List>) {
            applyChange((cache()->*Get)(), change, at, other, make<T>(t.split(QLatin1Char('|'))));
            return true;
        } else {
            return false;
        }
    };
    ops.indexed = [](const QString& value, bool scan) {
        using Traits = DATACore::RecordKey<T>;
        QVector<DATACore::TextField<T>> fields = Traits::grouped();
        if constexpr (std::is_same_v<typename Traits::Type, QString>)
            fields.prepend(Traits::field);
        const QList<T> all = (cache()->*Get)();
        QStringList answers;
        for (const auto field : fields) {
            QList<T> where;
            if (scan) {
                for (const T& r : all) {
                    if (r.*field == value)
                        where.append(r);
                }
            } else {
                where = DATACore::cachedWhere(field, value);
            }
            const T first = scan ? (where.isEmpty() ? T() : where.first())
                                 : DATACore::cachedFirst(field, value);
            answers << texts(where).join(QLatin1Char(';')) << text(first);
        }
        return answers;
    };
    ops.firstRecord = []() -> const void* {
        const QList<T> all = (cache()->*Get)();
        return all.isEmpty() ? nullptr : &all.first();
    };
    return ops;
}

inline const QVector<KindOps>& kinds()
{
    using C = UserDataCache;
    using E = Event;
    // clang-format off
    static const QVector<KindOps> all{
        kindOps<AccountInfo, &E::accounts, &C::list_account_Info, &C::setList_account_Info>("accounts", false),
        kindOps<UDeviceInfo, &E::devices, &C::list_device_info, &C::setList_device_info>("devices", false),
        kindOps<DeviceChancelInfo, &E::deviceChannels, &C::list_device_channel_info, &C::setList_device_channel_info>("deviceChannels", false),
        kindOps<UViewInfo, &E::views, &C::list_view_info, &C::setList_view_info>("views", false),
        kindOps<UViewChannelInfo, &E::viewChannels, &C::viewChannelInfo, &C::setViewChannelInfo>("viewChannels", true),
        kindOps<RegionInfo, &E::regions, &C::list_region_info, &C::setList_region_info>("regions", false),
        kindOps<RegionChannelInfo, &E::regionChannels, &C::list_region_channel_info, &C::setList_region_channel_info>("regionChannels", true),
        kindOps<RoleInfo, &E::roles, &C::list_role_info, &C::setList_role_info>("roles", false),
        kindOps<RoleRegionInfo, &E::roleRegions, &C::list_role_region_info, &C::setList_role_region_info>("roleRegions", true),
        kindOps<RegionAlarmInfo, &E::regionAlarms, &C::list_region_alarm_info, &C::setList_role_alarm_info>("regionAlarms", true),
        kindOps<UServerInfo, &E::servers, &C::list_server_info, &C::setList_server_info>("servers", false),
        kindOps<RolePermissionInfo, &E::rolePermissions, &C::list_role_permission_info, &C::setList_role_permission_info>("rolePermissions", true),
        kindOps<UserViewInfo, &E::userViews, &C::listUserView, &C::setListUserView>("userViews", true),
    };
    // clang-format on
    return all;
}

inline const KindOps& kind(const QString& name)
{
    for (const KindOps& k : kinds()) {
        if (k.name == name)
            return k;
    }
    qFatal("unknown record kind %s", qPrintable(name));
}

inline void clearCache()
{
    for (const KindOps& k : kinds())
        k.setCached({});
}

} // namespace recordkinds

#endif // RECORDKINDS_H
