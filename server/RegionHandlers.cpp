// Regions; the channels filed into them are in ChannelFilingHandlers.cpp.
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

const KeyedQuery kRegionQuery =
    keyedQuery("SELECT guid, parent_guid, name, level, describe FROM regions", "guid");

void fillRegion(Statement& s, tabREGIONINFO& r)
{
    put(r.guid, s.text(0));
    put(r.parentGuid, s.text(1));
    put(r.name, s.text(2));
    r.level = s.integer(3);
    put(r.describe, s.text(4));
}

} // namespace

// (name, parentGuid, level, describe); an empty parent makes a top-level region.
Reply handleAddRegion(Call& call)
{
    return addRecord<tabREGIONINFO>(call, kRegionQuery, fillRegion, [&](const std::string& guid) {
        run(call.db, "INSERT INTO regions VALUES(?1, NULLIF(?2, ''), ?3, ?4, ?5)", guid,
            call.text(1), call.text(0), call.number(2), call.text(3));
    });
}

// (guid, name, describe)
Reply handleEditRegion(Call& call)
{
    return changeOne(call.db, "UPDATE regions SET name = ?2, describe = ?3 WHERE guid = ?1",
                     call.text(0), call.text(1), call.text(2));
}

// A region with child regions stays; its channels and grants go with it.
Reply handleDeleteRegion(Call& call)
{
    return changeOne(call.db, "DELETE FROM regions WHERE guid = ?1", call.text(0));
}

Reply handleQueryRegion(Call& call)
{
    return fetchKeyed<tabREGIONINFO>(call.db, kRegionQuery, fillRegion, call.text(0));
}

} // namespace orsa
