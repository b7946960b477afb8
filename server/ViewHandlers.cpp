// Views and the channels placed in them.
#include "Secrets.h"
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

// A placement with the device channel's name, device and number.
const char* const kViewChannelSelect =
    "SELECT vc.view_guid, vc.channel_guid, dc.name, dc.device_guid, dc.number, vc.position "
    "FROM view_channels vc JOIN device_channels dc ON dc.guid = vc.channel_guid ";

const char* const kViewQuery =
    "SELECT guid, name, divide FROM views WHERE ?1 = '' OR guid = ?1 ORDER BY rowid";

void fillView(Statement& s, tabVIEWINFO& r)
{
    put(r.guid, s.text(0));
    put(r.name, s.text(1));
    r.divide = s.integer(2);
}

void fillViewChannel(Statement& s, tabVIEWCHANNELINFO& r)
{
    put(r.viewGuid, s.text(0));
    put(r.channelInfo.channelGuid, s.text(1));
    put(r.channelInfo.channelName, s.text(2));
    put(r.channelInfo.devGuid, s.text(3));
    r.channelInfo.channelNo = s.integer(4);
    r.position = s.integer(5);
}

} // namespace

// (name, divide)
Reply handleAddView(Call& call)
{
    const std::string guid = newGuid();
    Transaction t(call.db);
    run(call.db, "INSERT INTO views VALUES(?1, ?2, ?3)", guid, call.text(0), call.number(1));
    Reply reply = fetchAdded<tabVIEWINFO>(call.db, kViewQuery, guid, fillView);
    t.commit();
    return reply;
}

// (guid, name, divide)
Reply handleEditView(Call& call)
{
    return changeOne(call.db, "UPDATE views SET name = ?2, divide = ?3 WHERE guid = ?1",
                     call.text(0), call.text(1), call.number(2));
}

// The view's placements go with it.
Reply handleDeleteView(Call& call)
{
    Transaction t(call.db);
    run(call.db, "DELETE FROM view_channels WHERE view_guid = ?1", call.text(0));
    if (!run(call.db, "DELETE FROM views WHERE guid = ?1", call.text(0)))
        return failure(BIZORSA_E_NOT_FOUND); // rolls the placements back too
    t.commit();
    return {};
}

Reply handleQueryView(Call& call)
{
    return fetch<tabVIEWINFO>(call.db, kViewQuery, call.text(0), fillView);
}

// (viewGuid, channelGuid, position): placing a channel again only moves it.
Reply handleAddViewChannel(Call& call)
{
    return fileChannel<tabVIEWCHANNELINFO>(
        call, "SELECT 1 FROM views WHERE guid = ?1",
        "INSERT INTO view_channels VALUES(?1, ?2, ?3) "
        "ON CONFLICT(view_guid, channel_guid) DO UPDATE SET position = excluded.position",
        std::string(kViewChannelSelect) + "WHERE vc.view_guid = ?1 AND vc.channel_guid = ?2",
        call.number(2), fillViewChannel);
}

// (viewGuid, channelGuid, position)
Reply handleEditViewChannel(Call& call)
{
    return changeOne(call.db,
                     "UPDATE view_channels SET position = ?3 "
                     "WHERE view_guid = ?1 AND channel_guid = ?2",
                     call.text(0), call.text(1), call.number(2));
}

Reply handleDeleteViewChannel(Call& call)
{
    return changeOne(call.db,
                     "DELETE FROM view_channels WHERE view_guid = ?1 AND channel_guid = ?2",
                     call.text(0), call.text(1));
}

Reply handleQueryViewChannel(Call& call)
{
    const std::string sql =
        std::string(kViewChannelSelect) + "WHERE ?1 = '' OR vc.view_guid = ?1 ORDER BY vc.rowid";
    return fetch<tabVIEWCHANNELINFO>(call.db, sql.c_str(), call.text(0), fillViewChannel);
}

} // namespace orsa
