// Roles and their permissions.
#include "BizOrsaRights.h"
#include "ServiceHandlers_p.h"

namespace orsa {
namespace {

const KeyedQuery kRoleQuery = keyedQuery("SELECT guid, name, describe FROM roles", "guid");

void fillRole(Statement& s, tabROLEINFO& r)
{
    put(r.guid, s.text(0));
    put(r.name, s.text(1));
    put(r.describe, s.text(2));
}

const KeyedQuery kPermissionQuery =
    keyedQuery("SELECT guid, role_guid, type, value FROM role_permissions", "guid");

void fillPermission(Statement& s, tabROLEPERMISSIONINFO& r)
{
    put(r.guid, s.text(0));
    put(r.roleGuid, s.text(1));
    put(r.type, s.text(2));
    put(r.value, s.text(3));
}

} // namespace

// (name, describe)
Reply handleAddRole(Call& call)
{
    return addRecord<tabROLEINFO>(call, kRoleQuery, fillRole, [&](const std::string& guid) {
        run(call.db, "INSERT INTO roles VALUES(?1, ?2, ?3)", guid, call.text(0), call.text(1));
    });
}

// (guid, name, describe)
Reply handleEditRole(Call& call)
{
    return changeOne(call.db, "UPDATE roles SET name = ?2, describe = ?3 WHERE guid = ?1",
                     call.text(0), call.text(1), call.text(2));
}

// A role an account names stays, and so does the administrators' role even
// without one; otherwise its permissions and grants go with it.
Reply handleDeleteRole(Call& call)
{
    if (call.text(0) == BIZORSA_ADMINISTRATORS_ROLE)
        return failure(BIZORSA_E_STILL_IN_USE);
    return changeOne(call.db, "DELETE FROM roles WHERE guid = ?1", call.text(0));
}

Reply handleQueryRole(Call& call)
{
    return fetchKeyed<tabROLEINFO>(call.db, kRoleQuery, fillRole, call.text(0));
}

// (roleGuid, type, value): always a new permission, even for a type the role holds.
Reply handleAddRolePermission(Call& call)
{
    return addRecord<tabROLEPERMISSIONINFO>(
        call, kPermissionQuery, fillPermission, [&](const std::string& guid) {
            run(call.db, "INSERT INTO role_permissions VALUES(?1, ?2, ?3, ?4)", guid, call.text(0),
                call.text(1), call.text(2));
        });
}

Reply handleDeleteRolePermission(Call& call)
{
    return changeOne(call.db, "DELETE FROM role_permissions WHERE guid = ?1", call.text(0));
}

Reply handleQueryRolePermission(Call& call)
{
    return fetchKeyed<tabROLEPERMISSIONINFO>(call.db, kPermissionQuery, fillPermission,
                                             call.text(0));
}

} // namespace orsa
