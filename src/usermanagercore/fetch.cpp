// Fetches: each asks the server for one kind of list; the receiver installs
// the answer in the cache while the request waits.
#include "request_p.h"
#include "select_p.h"
#include "userdatacache.h"

#include "BizOrsaClientLib.h"

#include <functional>

namespace DATACore {
namespace {

UserDataCache* cache()
{
    return UserDataCache::instance();
}

using Answer = IAccountCallBackEvent;

// One fetch: ok tells whether an answer came; the list is collected from the
// request's own answer, and only when it reported success.
template <typename Call, typename Collect>
auto fetch(const LogSite& site, const char* logText, const QString& key, bool& ok, Call&& call,
           Collect&& collect) -> decltype(collect(std::declval<const Answer&>()))
{
    const Outcome outcome =
        Request::send(site, ParamLog(logText, key), std::forward<Call>(call), Request::FetchSid);
    ok = outcome.answered();
    if (!outcome.result())
        return {};
    return collect(*outcome.answer);
}

} // namespace

QList<AccountInfo> UserManagerCore::getAccountFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get account param_user:", key, ok,
        [&] { return sdkCall(m_account, &IBizOrsaAccount::QueryAccount, key); },
        [](const Answer& a) { return a.accounts; });
}

QList<RoleInfo> UserManagerCore::getRoleFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get role param_guid:", key, ok,
        [&] { return sdkCall(m_role, &IBizOrsaRole::QueryRole, key); },
        [](const Answer& a) { return a.roles; });
}

QList<RolePermissionInfo> UserManagerCore::getRolePermissionFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get role permission param_permission_guid:", key, ok,
        [&] {
            return sdkCall(m_rolePermission, &IBizOrsaRolePermission::QueryRolePermission, key);
        },
        [](const Answer& a) { return a.rolePermissions; });
}

QList<RegionInfo> UserManagerCore::getRegionData(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get one Region param_guid:", key, ok,
        [&] { return sdkCall(m_region, &IBizOrsaRegion::QueryRegion, key); },
        [](const Answer& a) { return a.regions; });
}

QList<RegionInfo> UserManagerCore::getOneRegionFromSDK(const QString& key, bool& ok)
{
    return getRegionData(key, ok);
}

QList<DeviceChancelInfo> UserManagerCore::getRegionChannelFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get one Region channel param_RegionGuid:", key, ok,
        [&] { return sdkCall(m_region, &IBizOrsaRegion::QueryRegionChannel, key); },
        [&](const Answer& a) {
            return channelsOf(selectOrAll(a.regionChannels, &RegionChannelInfo::regionGuid, key));
        });
}

QList<UDeviceInfo> UserManagerCore::getDeviceFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get device param_guid:", key, ok,
        [&] { return sdkCall(m_device, &IBizOrsaDevice::QueryDevice, key); },
        [](const Answer& a) { return a.devices; });
}

QList<DeviceChancelInfo> UserManagerCore::getDevChannelInfoFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get device channel param_dev_guid:", key, ok,
        [&] { return sdkCall(m_device, &IBizOrsaDevice::QueryDeviceChannel, key); },
        [&](const Answer& a) {
            return selectOrAll(a.deviceChannels, &DeviceChancelInfo::devGuid, key);
        });
}

QList<UViewInfo> UserManagerCore::getViewFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get view param_guid:", key, ok,
        [&] { return sdkCall(m_view, &IBizOrsaView::QueryView, key); },
        [](const Answer& a) { return a.views; });
}

QList<UViewInfo> UserManagerCore::getViewData(const QString& key)
{
    ParamLog("get view param_guid:", key).write(ORSA_HERE);
    // A refused request has no answer to wait for.
    const int sid = sdkCall(m_view, &IBizOrsaView::QueryView, key);
    if (sid >= 0)
        Request::wait(sid);
    else
        Request::refused(sid);
    return cache()->list_view_info();
}

QList<UViewChannelInfo> UserManagerCore::getViewChannelFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get view channel param_View_guid:", key, ok,
        [&] { return sdkCall(m_view, &IBizOrsaView::QueryViewChannel, key); },
        [](const Answer& a) { return a.viewChannels; });
}

QList<UServerInfo> UserManagerCore::getServersFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get server param_guid:", key, ok,
        [&] { return sdkCall(m_server, &IBizOrsaServer::QueryServer, key); },
        [](const Answer& a) { return a.servers; });
}

QList<RoleRegionInfo> UserManagerCore::getRegionVideoFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get Region Video param_role_guid:", key, ok,
        [&] { return sdkCall(m_videoRegion, &IBizOrsaVideoRegion::QueryVideoRegion, key); },
        [](const Answer& a) { return a.roleRegions; });
}

QList<RegionAlarmInfo> UserManagerCore::getAlarmRegionFromSDK(const QString& key, bool& ok)
{
    return fetch(
        ORSA_HERE, "get Region Alarm param_role_guid:", key, ok,
        [&] { return sdkCall(m_alarmRegion, &IBizOrsaAlarmRegion::QueryAlarmRegion, key); },
        [](const Answer& a) { return a.regionAlarms; });
}

bool UserManagerCore::getCacheFromSDK()
{
    const QString all;
    const std::function<void(bool&)> fetches[] = {
        [&](bool& ok) { getRegionVideoFromSDK(all, ok); },
        [&](bool& ok) { getOneRegionFromSDK(all, ok); },
        [&](bool& ok) { getRegionChannelFromSDK(all, ok); },
        [&](bool& ok) { getDeviceFromSDK(all, ok); },
        [&](bool& ok) { getDevChannelInfoFromSDK(all, ok); },
        [&](bool& ok) { getViewFromSDK(all, ok); },
        [&](bool& ok) { getViewChannelFromSDK(all, ok); },
        [&](bool& ok) { getServersFromSDK(all, ok); },
        [&](bool& ok) { getAlarmRegionFromSDK(all, ok); },
    };
    // Every fetch is made whatever the earlier ones gave.
    bool allSucceeded = true;
    for (const auto& fetchOne : fetches) {
        bool ok = false;
        fetchOne(ok);
        allSucceeded = allSucceeded && Request::last().result();
    }
    return allSucceeded;
}

} // namespace DATACore
