// Servers known to the management service.
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

const KeyedQuery kServerQuery =
    keyedQuery("SELECT guid, name, \"user\", password, ip, port, type FROM servers", "guid");

void fillServer(Statement& s, tabSERVERINFO& r)
{
    put(r.guid, s.text(0));
    put(r.name, s.text(1));
    put(r.user, s.text(2));
    put(r.password, s.text(3));
    put(r.ip, s.text(4));
    r.port = s.integer(5);
    r.type = s.integer(6);
}

} // namespace

// (name, user, password, ip, port, type)
Reply handleAddServer(Call& call)
{
    if (!inRange(call.number(4), 0, kMaxPort))
        return failure(BIZORSA_E_INVALID_ARGUMENT);
    return addRecord<tabSERVERINFO>(call, kServerQuery, fillServer, [&](const std::string& guid) {
        run(call.db, "INSERT INTO servers VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)", guid, call.text(0),
            call.text(1), call.text(2), call.text(3), call.number(4), call.number(5));
    });
}

// (guid, name, user, password, ip, port): the type stays.
Reply handleEditServer(Call& call)
{
    if (!inRange(call.number(5), 0, kMaxPort))
        return failure(BIZORSA_E_INVALID_ARGUMENT);
    return changeOne(
        call.db,
        "UPDATE servers SET name = ?2, \"user\" = ?3, password = ?4, ip = ?5, port = ?6 "
        "WHERE guid = ?1",
        call.text(0), call.text(1), call.text(2), call.text(3), call.text(4), call.number(5));
}

Reply handleDeleteServer(Call& call)
{
    return changeOne(call.db, "DELETE FROM servers WHERE guid = ?1", call.text(0));
}

Reply handleQueryServer(Call& call)
{
    return fetchGuarded<tabSERVERINFO>(call, kServerQuery, fillServer);
}

} // namespace orsa
