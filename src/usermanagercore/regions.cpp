// Regions and the channels filed in them.
#include "cascade_p.h"
#include "channelpart_p.h"
#include "request_p.h"

#include "BizOrsaClientLib.h"

namespace DATACore {
namespace {
// The administrators' role, granted every region a logged-in user creates.
const QString kAdministratorRole = QStringLiteral("88341189");
} // namespace

bool UserManagerCore::AddOneRegion(const QString& name, const QString& parentGuid, int level,
                                   const QString& description)
{
    ParamLog("add region param_name:", name)
        .arg(" param_Parent_guid:", parentGuid)
        .arg(" level:", level)
        .arg(" Describ:", description)
        .write(ORSA_HERE);
    setResultProperties({{"regionname", name},
                         {"regionparentuid", parentGuid},
                         {"regionlevel", level},
                         {"describe", description}});
    if (!Request::run(ORSA_HERE, [&] {
            return sdkCall(m_region, &IBizOrsaRegion::AddRegion, name, parentGuid, level,
                           description);
        }))
        return false;
    const RegionInfo region{Request::resultGuid(), parentGuid, name, level, description};

    // Each grant is made only while every earlier one succeeded.
    bool granted = true;
    if (isLoggedIn()) {
        const QString role = userRole().guid;
        granted = addRegionVideo(role, region.guid) && addAlarmRegion(role, region.guid);
        if (granted && role != kAdministratorRole)
            granted = addRegionVideo(kAdministratorRole, region.guid) &&
                      addAlarmRegion(kAdministratorRole, region.guid);
    }
    // The region exists on the server whatever the grants gave.
    updateCache(region, CacheAdd);
    emit signalAddRegion(region);
    return granted;
}

bool UserManagerCore::EditOneRegion(const QString& guid, const QString& name,
                                    const QString& description)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("edit one Region param_guid:", guid)
                          .arg("param_name:", name)
                          .arg("Describ:", description),
                      [&] {
                          return sdkCall(m_region, &IBizOrsaRegion::EditRegion, guid, name,
                                         description);
                      }))
        return false;
    // The edit sends no parent or level: they come from the cached region,
    // also one the logged-in role cannot see. An uncached region could only
    // be completed with invented values, so nothing is stored then.
    const QList<RegionInfo> visible = GetOneRegion(guid);
    RegionInfo region = visible.isEmpty() ? getRegionByGuid(guid) : visible.first();
    if (region.guid.isEmpty())
        return true;
    region.guid = guid;
    region.name = name;
    region.describe = description;
    updateCache(region, CacheEdit);
    emit signalEditRegioin(region);
    return true;
}

bool UserManagerCore::DeleteOneRegion(const QString& guid)
{
    if (!Request::run(ORSA_HERE, ParamLog("delete one Region param_guid:", guid),
                      [&] { return sdkCall(m_region, &IBizOrsaRegion::DeleteRegion, guid); }))
        return false;
    updateCache(RegionInfo{guid, {}, {}, 0, {}}, CacheDelete);
    dropDependents(*this, Deleted::Region, guid);
    emit signalDeleteRegion(guid);
    return true;
}

bool UserManagerCore::AddRegionChannel(const QString& regionGuid, const QString& channelGuid,
                                       const QString& name)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("add one Region channel param_RegionGuid:", regionGuid)
                          .arg("param_ChanGuid:", channelGuid)
                          .arg("param_name:", name),
                      [&] {
                          return sdkCall(m_region, &IBizOrsaRegion::AddRegionChannel, regionGuid,
                                         channelGuid, name);
                      }))
        return false;
    RegionChannelInfo filing{regionGuid, channelPart(this, channelGuid)};
    filing.channelInfo.channelName = name;
    updateCache(filing, CacheAdd);
    emit signalAddRegionChannel(filing);
    return true;
}

bool UserManagerCore::EditRegionChannel(const QString& regionGuid, const QString& channelGuid,
                                        const QString& name)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("edit one Region channel param_RegionGuid:", regionGuid)
                          .arg(" param_ChanGuid:", channelGuid)
                          .arg(" param_name:", name),
                      [&] {
                          return sdkCall(m_region, &IBizOrsaRegion::EditRegionChannel, regionGuid,
                                         channelGuid, name);
                      }))
        return false;
    RegionChannelInfo filing{regionGuid, channelPart(this, channelGuid)};
    filing.channelInfo.channelName = name;
    updateCache(filing, CacheEdit);
    emit signalEditRegionChannel(filing);
    return true;
}

bool UserManagerCore::DeleteRegionChannel(const QString& regionGuid, const QString& channelGuid)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("delete one Region channel param_RegionGuid:", regionGuid)
                          .arg(" param_Channel:", channelGuid),
                      [&] {
                          return sdkCall(m_region, &IBizOrsaRegion::DeleteRegionChannel, regionGuid,
                                         channelGuid);
                      }))
        return false;
    RegionChannelInfo filing;
    filing.regionGuid = regionGuid;
    filing.channelInfo.channelGuid = channelGuid;
    updateCache(filing, CacheDelete);
    emit signalDeleteRegionChannl(regionGuid, channelGuid);
    return true;
}

bool UserManagerCore::deleteRegionChannel(const QString& channelGuid)
{
    const QList<RegionChannelInfo> snapshot = UserDataCache::instance()->list_region_channel_info();
    for (const RegionChannelInfo& filing : snapshot) {
        if (filing.channelInfo.channelGuid == channelGuid &&
            !DeleteRegionChannel(filing.regionGuid, channelGuid))
            return false;
    }
    return true;
}

} // namespace DATACore
