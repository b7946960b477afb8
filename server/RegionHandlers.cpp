// Regions and the channels filed into them.
#include "Secrets.h"
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

// A region channel with the filed name and the device channel's device and number.
const char* const kRegionChannelSelect =
    "SELECT rc.region_guid, rc.channel_guid, rc.name, dc.device_guid, dc.number "
    "FROM region_channels rc JOIN device_channels dc ON dc.guid = rc.channel_guid ";

void fillRegionChannel(Statement& s, tabREGIONCHANNELINFO& r)
{
    put(r.regionGuid, s.text(0));
    put(r.channelInfo.channelGuid, s.text(1));
    put(r.channelInfo.channelName, s.text(2));
    put(r.channelInfo.devGuid, s.text(3));
    r.channelInfo.channelNo = s.integer(4);
}

const char* const kRegionQuery = "SELECT guid, parent_guid, name, level, describe FROM regions "
                                 "WHERE ?1 = '' OR guid = ?1 ORDER BY rowid";

void fillRegion(Statement& s, tabREGIONINFO& r)
{
    put(r.guid, s.text(0));
    put(r.parentGuid, s.text(1));
    put(r.name, s.text(2));
    r.level = s.integer(3);
    put(r.describe, s.text(4));
}

bool regionExists(Database& db, const std::string& guid)
{
    return exists(db, "SELECT 1 FROM regions WHERE guid = ?1", guid);
}

} // namespace

// (name, parentGuid, level, describe); an empty parent makes a top-level region.
Reply handleAddRegion(Call& call)
{
    const std::string guid = newGuid();
    Transaction t(call.db);
    if (!call.text(1).empty() && !regionExists(call.db, call.text(1)))
        return failure(BIZORSA_E_NOT_FOUND);
    run(call.db, "INSERT INTO regions VALUES(?1, ?2, ?3, ?4, ?5)", guid, call.text(1), call.text(0),
        call.number(2), call.text(3));
    Reply reply = fetchAdded<tabREGIONINFO>(call.db, kRegionQuery, guid, fillRegion);
    t.commit();
    return reply;
}

// (guid, name, describe)
Reply handleEditRegion(Call& call)
{
    return changeOne(call.db, "UPDATE regions SET name = ?2, describe = ?3 WHERE guid = ?1",
                     call.text(0), call.text(1), call.text(2));
}

// A region with child regions stays; otherwise its channels and grants go with it.
Reply handleDeleteRegion(Call& call)
{
    const std::string& guid = call.text(0);
    Transaction t(call.db);
    if (!regionExists(call.db, guid))
        return failure(BIZORSA_E_NOT_FOUND);
    if (exists(call.db, "SELECT 1 FROM regions WHERE parent_guid = ?1", guid))
        return failure(BIZORSA_E_STILL_IN_USE);
    run(call.db, "DELETE FROM region_channels WHERE region_guid = ?1", guid);
    run(call.db, "DELETE FROM video_grants WHERE region_guid = ?1", guid);
    run(call.db, "DELETE FROM alarm_grants WHERE region_guid = ?1", guid);
    run(call.db, "DELETE FROM regions WHERE guid = ?1", guid);
    t.commit();
    return {};
}

Reply handleQueryRegion(Call& call)
{
    return fetch<tabREGIONINFO>(call.db, kRegionQuery, call.text(0), fillRegion);
}

// (regionGuid, channelGuid, name): filing a channel again only renames it.
Reply handleAddRegionChannel(Call& call)
{
    return fileChannel<tabREGIONCHANNELINFO>(
        call, "SELECT 1 FROM regions WHERE guid = ?1",
        "INSERT INTO region_channels VALUES(?1, ?2, ?3) "
        "ON CONFLICT(region_guid, channel_guid) DO UPDATE SET name = excluded.name",
        std::string(kRegionChannelSelect) + "WHERE rc.region_guid = ?1 AND rc.channel_guid = ?2",
        call.text(2), fillRegionChannel);
}

// (regionGuid, channelGuid, name)
Reply handleEditRegionChannel(Call& call)
{
    return changeOne(call.db,
                     "UPDATE region_channels SET name = ?3 "
                     "WHERE region_guid = ?1 AND channel_guid = ?2",
                     call.text(0), call.text(1), call.text(2));
}

Reply handleDeleteRegionChannel(Call& call)
{
    return changeOne(call.db,
                     "DELETE FROM region_channels WHERE region_guid = ?1 AND channel_guid = ?2",
                     call.text(0), call.text(1));
}

Reply handleQueryRegionChannel(Call& call)
{
    const std::string sql = std::string(kRegionChannelSelect) +
                            "WHERE ?1 = '' OR rc.region_guid = ?1 ORDER BY rc.rowid";
    return fetch<tabREGIONCHANNELINFO>(call.db, sql.c_str(), call.text(0), fillRegionChannel);
}

} // namespace orsa
