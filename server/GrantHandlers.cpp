// A role's video and alarm regions: the same rules on two tables.
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

struct GrantSql {
    std::string insert, remove;
    KeyedQuery select; // keyed by role
};

GrantSql grantSql(const std::string& table)
{
    return {"INSERT INTO " + table + " VALUES(?1, ?2) ON CONFLICT DO NOTHING",
            "DELETE FROM " + table + " WHERE role_guid = ?1 AND region_guid = ?2",
            keyedQuery("SELECT role_guid, region_guid FROM " + table, "role_guid")};
}

const GrantSql kVideo = grantSql("video_grants");
const GrantSql kAlarm = grantSql("alarm_grants");

// (roleGuid, regionGuid): granting again succeeds and changes nothing. A
// missing role or region fails the reference: "not found".
template <class Rec>
Reply addGrant(Call& call, const GrantSql& sql)
{
    Transaction t(call.db);
    run(call.db, sql.insert.c_str(), call.text(0), call.text(1));
    t.commit();
    Rec grant{};
    put(grant.roleGuid, call.text(0));
    put(grant.regionGuid, call.text(1));
    return single(grant);
}

template <class Rec>
Reply queryGrants(Call& call, const GrantSql& sql)
{
    const auto fill = [](Statement& s, Rec& r) {
        put(r.roleGuid, s.text(0));
        put(r.regionGuid, s.text(1));
    };
    return fetchKeyed<Rec>(call.db, sql.select, fill, call.text(0));
}

} // namespace

Reply handleAddVideoRegion(Call& call)
{
    return addGrant<tabVIDEOREGIONINFO>(call, kVideo);
}
Reply handleDeleteVideoRegion(Call& call)
{
    return changeOne(call.db, kVideo.remove.c_str(), call.text(0), call.text(1));
}
Reply handleQueryVideoRegion(Call& call)
{
    return queryGrants<tabVIDEOREGIONINFO>(call, kVideo);
}

Reply handleAddAlarmRegion(Call& call)
{
    return addGrant<tabALARMREGIONINFO>(call, kAlarm);
}
Reply handleDeleteAlarmRegion(Call& call)
{
    return changeOne(call.db, kAlarm.remove.c_str(), call.text(0), call.text(1));
}
Reply handleQueryAlarmRegion(Call& call)
{
    return queryGrants<tabALARMREGIONINFO>(call, kAlarm);
}

} // namespace orsa
