#include "Rights.h"

#include "BizOrsaRights.h"
#include "Service.h"

namespace orsa {
namespace {

const char* const kRightTypes[] = {
    BIZORSA_RIGHT_MANAGE_ACCOUNTS, BIZORSA_RIGHT_MANAGE_ROLES, BIZORSA_RIGHT_MANAGE_REGIONS,
    BIZORSA_RIGHT_MANAGE_DEVICES,  BIZORSA_RIGHT_MANAGE_VIEWS, BIZORSA_RIGHT_MANAGE_SERVERS,
};
static_assert(sizeof kRightTypes / sizeof kRightTypes[0] ==
                  static_cast<unsigned>(Right::Servers) + 1,
              "a right type per Right");

unsigned rightsOfRole(Store& db, const std::string& roleGuid)
{
    if (roleGuid == BIZORSA_ADMINISTRATORS_ROLE)
        return kEveryRight;
    Statement s(db,
                "SELECT DISTINCT type FROM role_permissions WHERE role_guid = ?1 AND value = ?2");
    s.bind(1, roleGuid).bind(2, std::string(BIZORSA_PERMISSION_GRANTED));
    unsigned rights = 0;
    while (s.step()) {
        const std::string type = s.text(0);
        for (unsigned bit = 0; bit < sizeof kRightTypes / sizeof kRightTypes[0]; ++bit) {
            if (type == kRightTypes[bit])
                rights |= 1u << bit;
        }
    }
    return rights;
}

bool isOwnContactEdit(const Caller& caller, const std::vector<Arg>& args)
{
    // (userName, phone, mail, password, roleGuid)
    return args[0].text == caller.userName && args[4].text == caller.roleGuid;
}

bool isRegionFollowUpGrant(const Caller& caller, const std::vector<Arg>& args)
{
    // (roleGuid, regionGuid)
    return caller.holds(Right::Regions) &&
           (args[0].text == caller.roleGuid || args[0].text == BIZORSA_ADMINISTRATORS_ROLE);
}

} // namespace

std::optional<Caller> currentCaller(Store& db, Session& session)
{
    if (!session.loggedIn)
        return std::nullopt;
    Caller caller;
    {
        Statement s(db, "SELECT role_guid, salt FROM accounts WHERE user_name = ?1");
        s.bind(1, session.userName);
        if (!s.step() || s.text(1) != session.passwordSalt) {
            session = Session{};
            return std::nullopt;
        }
        caller.userName = session.userName;
        caller.roleGuid = s.text(0);
    }
    caller.rights = rightsOfRole(db, caller.roleGuid);
    return caller;
}

bool permits(Access access, const Caller& caller, const std::vector<Arg>& args)
{
    switch (access) {
    case Access::Open:
    case Access::Member:
        return true;
    case Access::Accounts:
        return caller.holds(Right::Accounts);
    case Access::Roles:
        return caller.holds(Right::Roles);
    case Access::Regions:
        return caller.holds(Right::Regions);
    case Access::Devices:
        return caller.holds(Right::Devices);
    case Access::Views:
        return caller.holds(Right::Views);
    case Access::Servers:
        return caller.holds(Right::Servers);
    case Access::AccountsOrOwnContact:
        return caller.holds(Right::Accounts) || isOwnContactEdit(caller, args);
    case Access::RolesOrRegionFollowUp:
        return caller.holds(Right::Roles) || isRegionFollowUpGrant(caller, args);
    }
    return false;
}

} // namespace orsa
