// Who the session's account is and what it may do, looked up for every
// request so that a change of role or permission applies at once.
#ifndef ORSA_RIGHTS_H
#define ORSA_RIGHTS_H

#include "Frame.h"
#include "OrsaOps.h"
#include "Store.h"

#include <optional>
#include <string>
#include <vector>

namespace orsa {

struct Session;

// The rights of BizOrsaRights.h.
enum class Right : std::uint8_t { Accounts, Roles, Regions, Devices, Views, Servers };
constexpr unsigned kEveryRight = (1u << (static_cast<unsigned>(Right::Servers) + 1)) - 1;

struct Caller {
    std::string userName;
    std::string roleGuid;
    unsigned rights = 0; // a bit per Right
    bool holds(Right right) const { return rights & (1u << static_cast<unsigned>(right)); }
};

// The account of a logged-in session. Nothing when the session is not logged
// in, or has ended because its account was deleted or was given a new
// password by another session; an ended session is reset.
std::optional<Caller> currentCaller(Store& db, Session& session);

// Whether the caller may run a request of this access with these arguments,
// which fit the request's table row.
bool permits(Access access, const Caller& caller, const std::vector<Arg>& args);

} // namespace orsa

#endif // ORSA_RIGHTS_H
