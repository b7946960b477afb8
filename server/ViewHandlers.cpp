// Views; the channels placed in them are in ChannelFilingHandlers.cpp.
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

const KeyedQuery kViewQuery = keyedQuery("SELECT guid, name, divide FROM views", "guid");

void fillView(Statement& s, tabVIEWINFO& r)
{
    put(r.guid, s.text(0));
    put(r.name, s.text(1));
    r.divide = s.integer(2);
}

} // namespace

// (name, divide)
Reply handleAddView(Call& call)
{
    return addRecord<tabVIEWINFO>(call, kViewQuery, fillView, [&](const std::string& guid) {
        run(call.db, "INSERT INTO views VALUES(?1, ?2, ?3)", guid, call.text(0), call.number(1));
    });
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
    return changeOne(call.db, "DELETE FROM views WHERE guid = ?1", call.text(0));
}

Reply handleQueryView(Call& call)
{
    return fetchKeyed<tabVIEWINFO>(call.db, kViewQuery, fillView, call.text(0));
}

} // namespace orsa
