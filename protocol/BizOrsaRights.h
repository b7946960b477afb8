// Rights of the management service, and the role permissions that give them.
//
// Every request is checked against the rights of the logged-in account, looked
// up when the request runs: a change of role or permission applies to the
// next request of every session. A request without its right is answered
// BIZORSA_E_FORBIDDEN.
//
// The administrators' role holds every right, whatever its permissions and
// grants. Any other role holds a right while it has a role permission of that
// type whose value is exactly BIZORSA_PERMISSION_GRANTED.
//
// Without any right, a logged-in account may
//  - query roles, role permissions, video and alarm grants, regions, region
//    channels, devices, device channels, views, view channels and servers;
//  - query accounts, and gets its own account only;
//  - edit its own phone, mail and password (an edit of its own account that
//    keeps its role guid), and log out.
//
// manage.accounts and manage.roles let their holder raise its own rights (by
// moving its account into the administrators' role, or by granting its role
// any permission): they are for the people who administer the site.
#ifndef BIZORSARIGHTS_H
#define BIZORSARIGHTS_H

// The administrators' role. It cannot be deleted (BIZORSA_E_STILL_IN_USE), and
// its last account can be neither deleted nor moved to another role
// (BIZORSA_E_LAST_ADMINISTRATOR).
#define BIZORSA_ADMINISTRATORS_ROLE "88341189"

// The value of a role permission that gives its right.
#define BIZORSA_PERMISSION_GRANTED "true"

// Add, edit and delete accounts, the role and password of any account
// included; query every account.
#define BIZORSA_RIGHT_MANAGE_ACCOUNTS "manage.accounts"
// Add, edit and delete roles and role permissions; add and delete video and
// alarm grants.
#define BIZORSA_RIGHT_MANAGE_ROLES "manage.roles"
// Add, edit and delete regions and region channels. Also the two grants that
// follow adding a region: a video or alarm grant of a region to the account's
// own role or to the administrators' role, without BIZORSA_RIGHT_MANAGE_ROLES.
#define BIZORSA_RIGHT_MANAGE_REGIONS "manage.regions"
// Add, edit and delete devices; device queries carry the devices' login
// passwords (without this right the password fields are all zero bytes).
#define BIZORSA_RIGHT_MANAGE_DEVICES "manage.devices"
// Add, edit and delete views and view channels.
#define BIZORSA_RIGHT_MANAGE_VIEWS "manage.views"
// Add, edit and delete servers; server queries carry the servers' login
// passwords (without this right the password fields are all zero bytes).
#define BIZORSA_RIGHT_MANAGE_SERVERS "manage.servers"

#endif // BIZORSARIGHTS_H
